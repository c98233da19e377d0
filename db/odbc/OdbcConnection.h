#pragma once

#include <QString>

#include <sql.h>

namespace db {

class OdbcEnvironment;

// How long a connection waits for its server, in whole seconds.
struct OdbcTimeouts
{
    // A login; 0 leaves the driver's own limit.
    int loginSeconds = 0;
    // Each statement (SQL_ATTR_QUERY_TIMEOUT of every statement of the
    // connection); 0 waits as long as the statement takes.
    int commandSeconds = 0;
};

// One open ODBC connection (a login at the server), disconnected and freed
// with the object.
//
// A connection runs one result at a time: the SQL Server drivers (FreeTDS,
// and Microsoft's without MARS) cannot start a statement while another
// still has rows to deliver. The cursor that reads from the connection
// marks it in use until its rows are read or it is closed.
class OdbcConnection
{
public:
    // Connects with `connectionText` without prompting. A server that does
    // not answer gives up after the login timeout. Throws Error with the
    // driver's diagnostics.
    OdbcConnection(const OdbcEnvironment &environment, const QString &connectionText, OdbcTimeouts timeouts);
    ~OdbcConnection();
    OdbcConnection(const OdbcConnection &) = delete;
    OdbcConnection &operator=(const OdbcConnection &) = delete;

    SQLHDBC handle() const { return m_handle; }
    // The command timeout of the connection's statements.
    int commandTimeoutSeconds() const { return m_commandTimeoutSeconds; }

    bool inUse() const { return m_inUse; }
    void setInUse(bool inUse) { m_inUse = inUse; }

private:
    SQLHDBC m_handle = SQL_NULL_HDBC;
    int m_commandTimeoutSeconds = 0;
    bool m_inUse = false;
};

} // namespace db
