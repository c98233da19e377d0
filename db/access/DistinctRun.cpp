#include "DistinctRun.h"

#include "JetCollation.h"

#include <sqlite3.h>

#include <cmath>
#include <cstring>

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

DistinctRun::DistinctRun(sqlite3_stmt *statement, std::vector<int> keys, std::vector<bool> jetCollated)
    : m_statement(statement)
    , m_keys(std::move(keys))
    , m_jetCollated(std::move(jetCollated))
{
}

bool DistinctRun::equal(int column, const KeptValue &kept) const
{
    sqlite3_stmt *s = m_statement;
    const int type = sqlite3_column_type(s, column);
    if (isNumber(type) && isNumber(kept.type)) {
        if (type == SQLITE_INTEGER && kept.type == SQLITE_INTEGER)
            return sqlite3_column_int64(s, column) == kept.integer;
        if (type == SQLITE_FLOAT && kept.type == SQLITE_FLOAT)
            return sqlite3_column_double(s, column) == kept.real;
        return type == SQLITE_INTEGER ? equalNumbers(sqlite3_column_int64(s, column), kept.real)
                                      : equalNumbers(kept.integer, sqlite3_column_double(s, column));
    }
    if (type != kept.type)
        return false;
    switch (type) {
    case SQLITE_NULL:
        return true;
    case SQLITE_TEXT: {
        const void *text = sqlite3_column_text16(s, column);
        const int bytes = sqlite3_column_bytes16(s, column);
        if (size_t(bytes) == kept.bytes.size() && std::memcmp(text, kept.bytes.data(), size_t(bytes)) == 0)
            return true;
        return m_jetCollated[size_t(column)]
            && JetCollation::compare(textView(text, bytes), textView(kept.bytes.data(), int(kept.bytes.size()))) == 0;
    }
    case SQLITE_BLOB: {
        const int bytes = sqlite3_column_bytes(s, column);
        return size_t(bytes) == kept.bytes.size()
            && (bytes == 0 || std::memcmp(sqlite3_column_blob(s, column), kept.bytes.data(), size_t(bytes)) == 0);
    }
    default:
        return false;
    }
}

bool DistinctRun::sameKeys(const Row &row) const
{
    for (const int key : m_keys) {
        if (!equal(key, row[size_t(key)]))
            return false;
    }
    return true;
}

bool DistinctRun::sameRow(const Row &row) const
{
    for (size_t column = 0; column < row.size(); ++column) {
        if (!equal(int(column), row[column]))
            return false;
    }
    return true;
}

void DistinctRun::keepCurrentRow()
{
    if (m_runSize == m_run.size())
        m_run.emplace_back(size_t(sqlite3_column_count(m_statement)));
    for (int column = 0; column < int(m_run[m_runSize].size()); ++column) {
        KeptValue &kept = m_run[m_runSize][size_t(column)];
        kept.type = sqlite3_column_type(m_statement, column);
        const void *bytes = nullptr;
        int size = 0;
        if (kept.type == SQLITE_INTEGER) {
            kept.integer = sqlite3_column_int64(m_statement, column);
        } else if (kept.type == SQLITE_FLOAT) {
            kept.real = sqlite3_column_double(m_statement, column);
        } else if (kept.type == SQLITE_TEXT) {
            bytes = sqlite3_column_text16(m_statement, column);
            size = sqlite3_column_bytes16(m_statement, column);
        } else if (kept.type == SQLITE_BLOB) {
            bytes = sqlite3_column_blob(m_statement, column);
            size = sqlite3_column_bytes(m_statement, column);
        }
        const auto *begin = static_cast<const char *>(bytes);
        kept.bytes.assign(begin, begin + size);
    }
    ++m_runSize;
}

bool DistinctRun::admit()
{
    if (m_runSize > 0 && !sameKeys(m_run.front()))
        m_runSize = 0;
    for (size_t i = 0; i < m_runSize; ++i) {
        if (sameRow(m_run[i]))
            return false;
    }
    keepCurrentRow();
    return true;
}

} // namespace db
