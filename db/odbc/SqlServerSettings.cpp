#include "SqlServerSettings.h"

#include <QtGlobal>

#include <optional>

namespace db {

namespace {

// The whole seconds in `name`, nothing when it is not set or no number.
std::optional<int> seconds(const char *name)
{
    bool ok = false;
    const int value = qEnvironmentVariable(name).trimmed().toInt(&ok);
    return ok && value >= 0 ? std::optional<int>(value) : std::nullopt;
}

} // namespace

SqlServerSettings SqlServerSettings::fromEnvironment()
{
    SqlServerSettings settings;
    settings.connectionText = qEnvironmentVariable("DEPEXPORT_ODBC_CONNECTION");
    settings.driver = qEnvironmentVariable("DEPEXPORT_ODBC_DRIVER").trimmed();
    settings.loginTimeoutSeconds = seconds("DEPEXPORT_ODBC_LOGIN_TIMEOUT").value_or(0);
    settings.commandTimeoutSeconds = seconds("DEPEXPORT_ODBC_COMMAND_TIMEOUT").value_or(defaultCommandTimeoutSeconds);
    return settings;
}

} // namespace db
