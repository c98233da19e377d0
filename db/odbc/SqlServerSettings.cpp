#include "SqlServerSettings.h"

#include <QtGlobal>

namespace db {

SqlServerSettings SqlServerSettings::fromEnvironment()
{
    SqlServerSettings settings;
    settings.connectionText = qEnvironmentVariable("DEPEXPORT_ODBC_CONNECTION");
    settings.driver = qEnvironmentVariable("DEPEXPORT_ODBC_DRIVER").trimmed();
    bool ok = false;
    const int seconds = qEnvironmentVariable("DEPEXPORT_ODBC_LOGIN_TIMEOUT").trimmed().toInt(&ok);
    if (ok && seconds > 0)
        settings.loginTimeoutSeconds = seconds;
    return settings;
}

} // namespace db
