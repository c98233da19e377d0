#pragma once

#include "ConnectionString.h"
#include "SqlServerDriver.h"

#include <QString>

#include <optional>

namespace db {

// Turns the connection string of the SQL Server OLE DB provider
// ("Provider=SQLOLEDB.1;Integrated Security=SSPI;...;Initial Catalog=...;
// Data Source=...;") into an ODBC connection text for the installed
// driver.
class SqlServerConnectionString
{
public:
    // A server as "Data Source" names it: "host", "host\instance",
    // "host,port" or "tcp:host,port".
    struct DataSource
    {
        QString host;
        QString instance;
        QString port;
    };

    // Splits the server text. "(local)", "." and an empty text stand for
    // the local default instance. Everything else is taken as it stands,
    // blanks included; a port must be all digits, otherwise the text after
    // the comma stays part of the host.
    static DataSource parseDataSource(const QString &text);

    // The server that the string names ("Data Source" or its synonyms).
    static DataSource dataSource(const ConnectionString &oleDb);

    // The ODBC text for `driver`: server, catalog ("Initial Catalog"), and
    // either integrated security ("Integrated Security=SSPI": Kerberos on
    // this platform) or "User ID" and "Password". The second form takes
    // the server from `source` instead (with the port of a named instance
    // found beforehand).
    static QString toOdbc(const ConnectionString &oleDb, const SqlServerDriver &driver);
    static QString toOdbc(const ConnectionString &oleDb, const SqlServerDriver &driver, const DataSource &source);

    // "Connect Timeout" in seconds when the string sets a positive one (0,
    // "wait for ever", is not taken: the window must not hang).
    static std::optional<int> connectTimeout(const ConnectionString &oleDb);

    // `value` as an ODBC attribute value: in braces when it holds ";", "{",
    // "}", "=" or blanks at either end, so that it reaches the driver as it
    // stands.
    static QString quoted(const QString &value);
};

} // namespace db
