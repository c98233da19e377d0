#include "Providers.h"

#include "OdbcDatabase.h"
#include "OdbcEnvironment.h"
#include "SqlServerConnectionString.h"
#include "SqlServerDriver.h"
#include "SqlServerSettings.h"

namespace db {

namespace {

SqlServerDriver installedDriver(const SqlServerSettings &settings)
{
    if (!settings.driver.isEmpty())
        return SqlServerDriver::named(settings.driver);
    const OdbcEnvironment environment;
    return SqlServerDriver::choose(environment.driverNames(), SqlServerDriver::freeTdsLibraries());
}

} // namespace

// The SQL Server variants reach their catalog through ODBC: the SQLOLEDB
// connection string becomes the connection text of the installed driver,
// unless the site gives a text of its own.
std::unique_ptr<ProviderConnection> openSqlServerDatabase(const ConnectionString &connectionString)
{
    const SqlServerSettings settings = SqlServerSettings::fromEnvironment();
    const QString odbcText = settings.connectionText.isEmpty()
        ? SqlServerConnectionString::toOdbc(connectionString, installedDriver(settings))
        : settings.connectionText;
    const int loginTimeout = settings.loginTimeoutSeconds > 0
        ? settings.loginTimeoutSeconds
        : SqlServerConnectionString::connectTimeout(connectionString).value_or(
              SqlServerSettings::defaultLoginTimeoutSeconds);
    return std::make_unique<OdbcDatabase>(odbcText, loginTimeout);
}

} // namespace db
