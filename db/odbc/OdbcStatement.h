#pragma once

#include "OdbcColumn.h"
#include "OdbcParameter.h"
#include "ProviderConnection.h"

#include <QString>

#include <sql.h>

#include <memory>
#include <vector>

namespace db {

class OdbcConnection;

// A statement handle of a connection, freed with the object, with the
// parameter buffers it runs with. The statement waits for the server no
// longer than the connection's command timeout.
class OdbcStatement
{
public:
    explicit OdbcStatement(const OdbcConnection &connection);
    ~OdbcStatement();
    OdbcStatement(const OdbcStatement &) = delete;
    OdbcStatement &operator=(const OdbcStatement &) = delete;

    SQLHSTMT handle() const { return m_handle; }

    // Runs `sql` with `arguments` bound to its "?" markers in order, then
    // moves to the first result that has columns (a batch may report row
    // counts first). Throws Error with the driver's diagnostics.
    void execute(const QString &sql, const std::vector<Argument> &arguments);
    // Columns of the current result; 0 for a statement without rows.
    int columnCount() const { return m_columnCount; }
    OdbcColumnDescription describeColumn(int number) const;
    // The next row; false at the end of the result.
    bool fetch();
    // Drops the rest of the result, so that the connection is free again.
    void closeCursor();

    // Throws Error with the statement's diagnostics unless `rc` succeeded;
    // TimeoutError, with a German message first, when the server did not
    // answer within the command timeout.
    void check(SQLRETURN rc, const char *call) const;

private:
    SQLHSTMT m_handle = SQL_NULL_HSTMT;
    std::vector<std::unique_ptr<OdbcParameter>> m_parameters;
    int m_columnCount = 0;
    int m_timeoutSeconds = 0;
};

} // namespace db
