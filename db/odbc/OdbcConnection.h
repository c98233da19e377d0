#pragma once

#include <QString>

#include <sql.h>

namespace db {

class OdbcEnvironment;

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
    // not answer gives up after `loginTimeoutSeconds` (0: the driver's own
    // limit). Throws Error with the driver's diagnostics.
    OdbcConnection(const OdbcEnvironment &environment, const QString &connectionText, int loginTimeoutSeconds);
    ~OdbcConnection();
    OdbcConnection(const OdbcConnection &) = delete;
    OdbcConnection &operator=(const OdbcConnection &) = delete;

    SQLHDBC handle() const { return m_handle; }

    bool inUse() const { return m_inUse; }
    void setInUse(bool inUse) { m_inUse = inUse; }

private:
    SQLHDBC m_handle = SQL_NULL_HDBC;
    bool m_inUse = false;
};

} // namespace db
