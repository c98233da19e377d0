#pragma once

#include "Cursor.h"
#include "OdbcColumn.h"
#include "OdbcStatement.h"

#include <sql.h>

#include <vector>

namespace db {

class OdbcConnection;

// The rows of one query as they come from the driver. Values are read with
// SQLGetData when first asked for, long texts in chunks; the columns of a
// row are read in ascending order (what the SQL Server drivers require),
// so asking for a later column first reads and keeps the ones before it.
// Only the current row is held.
//
// The cursor keeps its connection marked in use until the last row has
// been read or the cursor is destroyed.
class OdbcCursor : public Cursor
{
public:
    OdbcCursor(OdbcConnection &connection, const QString &sql, const std::vector<Argument> &arguments);
    ~OdbcCursor() override;

    const std::vector<FieldDef> &fields() const override { return m_fields; }
    bool fetch() override;
    Value value(int index) override;

private:
    // Marks the connection in use for as long as it lives or until released.
    class ConnectionUse
    {
    public:
        explicit ConnectionUse(OdbcConnection &connection);
        ~ConnectionUse() { release(); }
        ConnectionUse(const ConnectionUse &) = delete;
        ConnectionUse &operator=(const ConnectionUse &) = delete;
        void release();

    private:
        OdbcConnection *m_connection;
    };

    void describe();
    void finish();
    Value readColumn(int index);
    Value readText(SQLUSMALLINT column);
    Value readBytes(SQLUSMALLINT column);
    template <typename T>
    bool readFixed(SQLUSMALLINT column, SQLSMALLINT cType, T &target);

    ConnectionUse m_use;
    OdbcStatement m_statement;
    std::vector<OdbcColumn> m_columns;
    std::vector<FieldDef> m_fields;
    std::vector<Value> m_values;
    int m_read = 0;
    bool m_onRow = false;
    bool m_finished = false;
    std::vector<SQLWCHAR> m_textChunk;
    QByteArray m_byteChunk;
};

} // namespace db
