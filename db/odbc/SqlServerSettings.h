#pragma once

#include <QString>

namespace db {

// What a site can set for the SQL Server variants through the environment:
//
//   DEPEXPORT_ODBC_CONNECTION     a full ODBC connection text used instead
//                                 of the one made from the window's server
//                                 name (for SQL logins, or another data
//                                 source altogether)
//   DEPEXPORT_ODBC_DRIVER         the ODBC driver (odbcinst.ini name or
//                                 library path) instead of the one found
//   DEPEXPORT_ODBC_LOGIN_TIMEOUT  seconds to wait for a server to answer a
//                                 login (default 15)
struct SqlServerSettings
{
    static constexpr int defaultLoginTimeoutSeconds = 15;

    QString connectionText;
    QString driver;
    // 0 when not set.
    int loginTimeoutSeconds = 0;

    static SqlServerSettings fromEnvironment();
};

} // namespace db
