#pragma once

#include <QString>

namespace db {

// What a site can set for the SQL Server variants through the environment:
//
//   DEPEXPORT_ODBC_CONNECTION       a full ODBC connection text used instead
//                                   of the one made from the window's server
//                                   name (for SQL logins, or another data
//                                   source altogether)
//   DEPEXPORT_ODBC_DRIVER           the ODBC driver (odbcinst.ini name or
//                                   library path) instead of the one found
//   DEPEXPORT_ODBC_LOGIN_TIMEOUT    seconds to wait for a server to answer a
//                                   login, finding a named instance included
//                                   (default 15)
//   DEPEXPORT_ODBC_COMMAND_TIMEOUT  seconds to wait for a server to answer a
//                                   statement (default 30, as ADO's command
//                                   timeout; 0 waits as long as it takes)
struct SqlServerSettings
{
    static constexpr int defaultLoginTimeoutSeconds = 15;
    static constexpr int defaultCommandTimeoutSeconds = 30;

    QString connectionText;
    QString driver;
    // 0 when not set.
    int loginTimeoutSeconds = 0;
    int commandTimeoutSeconds = defaultCommandTimeoutSeconds;

    static SqlServerSettings fromEnvironment();
};

} // namespace db
