#pragma once

#include "Cursor.h"
#include "DistinctRun.h"
#include "SqliteStatement.h"

#include <memory>
#include <optional>
#include <vector>

namespace db {

// The rows of a query, fetched from its SQLite statement one at a time.
// The fields take their types from the declared types of the columns they
// come from (JetDeclaredType); an expression column takes its type from
// its value in the first row. For that the first row is read when the
// cursor is made.
//
// With a DistinctRun the cursor gives only the rows the run admits: a
// query run without its DISTINCT gives the rows it would have given.
class SqliteCursor : public Cursor
{
public:
    explicit SqliteCursor(std::unique_ptr<SqliteStatement> statement,
                          std::optional<DistinctRun> distinct = std::nullopt);

    const std::vector<FieldDef> &fields() const override { return m_fields; }
    bool fetch() override;
    Value value(int index) override;

private:
    FieldDef fieldOf(int column, bool &expression) const;
    Value expressionValue(int column) const;
    bool step();

    std::unique_ptr<SqliteStatement> m_statement;
    std::optional<DistinctRun> m_distinct;
    std::vector<FieldDef> m_fields;
    std::vector<bool> m_expression;
    bool m_firstPending = true;
    bool m_firstIsRow = false;
    bool m_atEnd = false;
};

} // namespace db
