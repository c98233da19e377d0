#include "DistinctRun.h"

#include "JetCollation.h"

#include <sqlite3.h>

#include <cmath>
#include <cstring>
#include <new>

namespace db {

namespace {

bool isNumber(int type)
{
    return type == SQLITE_INTEGER || type == SQLITE_FLOAT;
}

// An integer and a real are equal when the real is that whole number
// exactly.
bool equalNumbers(sqlite3_int64 integer, double real)
{
    constexpr double int64Limit = 9223372036854775808.0; // 2^63
    return real == std::trunc(real) && real >= -int64Limit && real < int64Limit && sqlite3_int64(real) == integer;
}

QStringView textView(const void *text, int bytes)
{
    return QStringView(static_cast<const char16_t *>(text), bytes / 2);
}

} // namespace

void DistinctRun::ValueFree::operator()(sqlite3_value *value) const
{
    sqlite3_value_free(value);
}

DistinctRun::DistinctRun(sqlite3_stmt *statement, std::vector<int> keys, std::vector<bool> jetCollated)
    : m_statement(statement)
    , m_keys(std::move(keys))
    , m_jetCollated(std::move(jetCollated))
{
}

bool DistinctRun::equal(int column, sqlite3_value *kept) const
{
    sqlite3_stmt *s = m_statement;
    const int type = sqlite3_column_type(s, column);
    const int keptType = sqlite3_value_type(kept);
    if (isNumber(type) && isNumber(keptType)) {
        if (type == SQLITE_INTEGER && keptType == SQLITE_INTEGER)
            return sqlite3_column_int64(s, column) == sqlite3_value_int64(kept);
        if (type == SQLITE_FLOAT && keptType == SQLITE_FLOAT)
            return sqlite3_column_double(s, column) == sqlite3_value_double(kept);
        return type == SQLITE_INTEGER ? equalNumbers(sqlite3_column_int64(s, column), sqlite3_value_double(kept))
                                      : equalNumbers(sqlite3_value_int64(kept), sqlite3_column_double(s, column));
    }
    if (type != keptType)
        return false;
    switch (type) {
    case SQLITE_NULL:
        return true;
    case SQLITE_TEXT: {
        const void *text = sqlite3_column_text16(s, column);
        const int bytes = sqlite3_column_bytes16(s, column);
        const void *keptText = sqlite3_value_text16(kept);
        const int keptBytes = sqlite3_value_bytes16(kept);
        if (bytes == keptBytes && std::memcmp(text, keptText, size_t(bytes)) == 0)
            return true;
        return m_jetCollated[size_t(column)]
            && JetCollation::compare(textView(text, bytes), textView(keptText, keptBytes)) == 0;
    }
    case SQLITE_BLOB: {
        const int bytes = sqlite3_column_bytes(s, column);
        return bytes == sqlite3_value_bytes(kept)
            && (bytes == 0 || std::memcmp(sqlite3_column_blob(s, column), sqlite3_value_blob(kept), size_t(bytes)) == 0);
    }
    default:
        return false;
    }
}

bool DistinctRun::sameKeys(const Row &row) const
{
    for (const int key : m_keys) {
        if (!equal(key, row[size_t(key)].get()))
            return false;
    }
    return true;
}

bool DistinctRun::sameRow(const Row &row) const
{
    for (size_t column = 0; column < row.size(); ++column) {
        if (!equal(int(column), row[column].get()))
            return false;
    }
    return true;
}

DistinctRun::Row DistinctRun::currentRow() const
{
    const int count = sqlite3_column_count(m_statement);
    Row row;
    row.reserve(size_t(count));
    for (int column = 0; column < count; ++column) {
        sqlite3_value *copy = sqlite3_value_dup(sqlite3_column_value(m_statement, column));
        if (!copy)
            throw std::bad_alloc();
        row.emplace_back(copy);
    }
    return row;
}

bool DistinctRun::admit()
{
    if (!m_run.empty() && !sameKeys(m_run.front()))
        m_run.clear();
    for (const Row &row : m_run) {
        if (sameRow(row))
            return false;
    }
    m_run.push_back(currentRow());
    return true;
}

} // namespace db
