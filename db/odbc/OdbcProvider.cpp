#include "Providers.h"

#include "OdbcDatabase.h"
#include "OdbcEnvironment.h"
#include "SqlServerBrowser.h"
#include "SqlServerConnectionString.h"
#include "SqlServerDriver.h"
#include "SqlServerSettings.h"

#include <QElapsedTimer>

namespace db {

namespace {

SqlServerDriver installedDriver(const SqlServerSettings &settings)
{
    if (!settings.driver.isEmpty())
        return SqlServerDriver::named(settings.driver);
    const OdbcEnvironment environment;
    return SqlServerDriver::choose(environment.driverNames(), SqlServerDriver::freeTdsLibraries());
}

// The whole seconds left of `timeoutSeconds` after `clock`'s time (the
// drivers take whole seconds), at least one.
int secondsLeft(int timeoutSeconds, const QElapsedTimer &clock)
{
    const qint64 leftMs = qint64(timeoutSeconds) * 1000 - clock.elapsed();
    return int(qMax<qint64>(1, leftMs / 1000));
}

} // namespace

// The SQL Server variants reach their catalog through ODBC: the SQLOLEDB
// connection string becomes the connection text of the installed driver,
// unless the site gives a text of its own.
//
// The login timeout bounds the whole connect. FreeTDS's own search for a
// named instance would not keep to it, so the instance's port is asked of
// the browser service here, and the login gets the time that is left.
std::unique_ptr<ProviderConnection> openSqlServerDatabase(const ConnectionString &connectionString)
{
    QElapsedTimer clock;
    clock.start();
    const SqlServerSettings settings = SqlServerSettings::fromEnvironment();
    const int loginTimeout = settings.loginTimeoutSeconds > 0
        ? settings.loginTimeoutSeconds
        : SqlServerConnectionString::connectTimeout(connectionString).value_or(
              SqlServerSettings::defaultLoginTimeoutSeconds);
    const OdbcTimeouts timeouts{loginTimeout, settings.commandTimeoutSeconds};
    if (!settings.connectionText.isEmpty())
        return std::make_unique<OdbcDatabase>(settings.connectionText, timeouts);

    const SqlServerDriver driver = installedDriver(settings);
    SqlServerConnectionString::DataSource source = SqlServerConnectionString::dataSource(connectionString);
    if (driver.kind() == SqlServerDriver::FreeTds && !source.instance.isEmpty() && source.port.isEmpty())
        source.port = QString::number(SqlServerBrowser::instancePort(source.host, source.instance, loginTimeout));
    return std::make_unique<OdbcDatabase>(SqlServerConnectionString::toOdbc(connectionString, driver, source), timeouts,
                                          secondsLeft(loginTimeout, clock));
}

} // namespace db
