#pragma once

#include <QString>
#include <QStringList>

#include <sql.h>

namespace db {

// The diagnostic records that the driver manager and the driver leave on a
// handle after a call: the text the user sees when a connect or a query
// fails.
class OdbcDiagnostics
{
public:
    // Every record of the handle, one a line: the driver's message followed
    // by its SQLSTATE in parentheses. Empty when the handle has none.
    static QString text(SQLSMALLINT handleType, SQLHANDLE handle);
    // The SQLSTATE of every record, in order.
    static QStringList states(SQLSMALLINT handleType, SQLHANDLE handle);

    // SQL_SUCCESS and SQL_SUCCESS_WITH_INFO.
    static bool succeeded(SQLRETURN rc) { return SQL_SUCCEEDED(rc); }
    // Throws Error with the handle's diagnostic text unless `rc` succeeded;
    // `call` names the ODBC function for a failure that left no record.
    static void check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char *call);
    [[noreturn]] static void raise(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char *call);

    // "1 Sekunde", "30 Sekunden": how long was waited, for the messages
    // about a server that did not answer.
    static QString waitText(int seconds);
};

} // namespace db
