#include "SqliteCursor.h"

#include "JetDeclaredType.h"

#include <QByteArray>

#include <sqlite3.h>

namespace db {

namespace {

constexpr int expressionTextSize = 255;
constexpr int floatPrecision = 15;

QString textOf(sqlite3_stmt *statement, int column)
{
    const void *text = sqlite3_column_text16(statement, column);
    const int bytes = sqlite3_column_bytes16(statement, column);
    return QString(static_cast<const QChar *>(text), bytes / 2);
}

} // namespace

SqliteCursor::SqliteCursor(std::unique_ptr<SqliteStatement> statement, std::optional<DistinctRun> distinct)
    : m_statement(std::move(statement))
    , m_distinct(std::move(distinct))
{
    m_firstIsRow = step();
    const int count = m_statement->columnCount();
    m_fields.reserve(size_t(count));
    m_expression.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        bool expression = false;
        m_fields.push_back(fieldOf(i, expression));
        m_expression.push_back(expression);
    }
}

FieldDef SqliteCursor::fieldOf(int column, bool &expression) const
{
    sqlite3_stmt *s = m_statement->handle();
    FieldDef def;
    def.name = QString::fromUtf8(sqlite3_column_name(s, column));
    const char *declared = sqlite3_column_decltype(s, column);
    const bool typed = declared && JetDeclaredType::toFieldDef(QString::fromUtf8(declared), def);
    expression = !typed;
    if (typed)
        return def;
    switch (m_firstIsRow ? sqlite3_column_type(s, column) : SQLITE_NULL) {
    case SQLITE_INTEGER:
        def.type = ftInteger;
        break;
    case SQLITE_FLOAT:
        def.type = ftFloat;
        def.precision = floatPrecision;
        break;
    case SQLITE_BLOB:
        def.type = ftBlob;
        break;
    default:
        def.type = ftString;
        def.size = expressionTextSize;
        break;
    }
    return def;
}

bool SqliteCursor::fetch()
{
    if (m_atEnd)
        return false;
    if (m_firstPending) {
        m_firstPending = false;
        m_atEnd = !m_firstIsRow;
    } else {
        m_atEnd = !step();
    }
    return !m_atEnd;
}

bool SqliteCursor::step()
{
    while (m_statement->step()) {
        if (!m_distinct || m_distinct->admit())
            return true;
    }
    return false;
}

Value SqliteCursor::expressionValue(int column) const
{
    sqlite3_stmt *s = m_statement->handle();
    switch (sqlite3_column_type(s, column)) {
    case SQLITE_INTEGER: return Value::fromInt(sqlite3_column_int64(s, column));
    case SQLITE_FLOAT: return Value::fromDouble(sqlite3_column_double(s, column));
    case SQLITE_TEXT: return Value::fromString(textOf(s, column));
    case SQLITE_BLOB: {
        const void *blob = sqlite3_column_blob(s, column);
        return Value::fromBytes(QByteArray(static_cast<const char *>(blob), sqlite3_column_bytes(s, column)));
    }
    default: return Value();
    }
}

Value SqliteCursor::value(int index)
{
    sqlite3_stmt *s = m_statement->handle();
    if (m_atEnd || m_firstPending || sqlite3_column_type(s, index) == SQLITE_NULL)
        return Value();
    if (m_expression[size_t(index)])
        return expressionValue(index);
    switch (m_fields[size_t(index)].type) {
    case ftString:
    case ftMemo:
    case ftGuid:
        return Value::fromString(textOf(s, index));
    case ftWord:
    case ftSmallint:
    case ftInteger:
        return Value::fromInt(sqlite3_column_int64(s, index));
    case ftBoolean:
        return Value::fromBool(sqlite3_column_int64(s, index) != 0);
    case ftDateTime:
        return Value::fromDateTime(sqlite3_column_double(s, index));
    case ftFloat:
    case ftCurrency:
        return Value::fromDouble(sqlite3_column_double(s, index));
    default:
        return expressionValue(index);
    }
}

} // namespace db
