#include "OdbcCursor.h"

#include "Error.h"
#include "OdbcConnection.h"
#include "OdbcText.h"
#include "OleDate.h"

#include <sqlext.h>

namespace db {

namespace {

// Characters (code units) fetched per SQLGetData call of a text value.
constexpr std::size_t textChunkUnits = 4096;
constexpr qsizetype byteChunkSize = 8192;

// A day number from its date and the milliseconds of the day, without a
// local QDateTime (whose time zone lookups would cost more than the read).
// Before 30 December 1899 the fraction still counts forwards.
double dayNumber(QDate date, qint64 msOfDay)
{
    const double day = OleDate::fromDate(date);
    const double fraction = double(msOfDay) / 86400000.0;
    return day >= 0 ? day + fraction : day - fraction;
}

double dayOf(const SQL_DATE_STRUCT &d)
{
    return OleDate::fromDate(QDate(d.year, d.month, d.day));
}

double dayOf(const SQL_TIMESTAMP_STRUCT &t)
{
    // The fraction is in nanoseconds; day numbers keep milliseconds.
    qint64 ms = (qint64(t.hour) * 3600 + t.minute * 60 + t.second) * 1000 + (t.fraction + 500000u) / 1000000u;
    QDate date(t.year, t.month, t.day);
    if (ms >= 86400000) { // 23:59:59.9995 and later round up to the next day
        ms -= 86400000;
        date = date.addDays(1);
    }
    return dayNumber(date, ms);
}

double dayOf(const SQL_TIME_STRUCT &t)
{
    return (t.hour * 3600 + t.minute * 60 + t.second) / 86400.0;
}

} // namespace

OdbcCursor::ConnectionUse::ConnectionUse(OdbcConnection &connection) : m_connection(&connection)
{
    m_connection->setInUse(true);
}

void OdbcCursor::ConnectionUse::release()
{
    if (m_connection)
        m_connection->setInUse(false);
    m_connection = nullptr;
}

OdbcCursor::OdbcCursor(OdbcConnection &connection, const QString &sql, const std::vector<Argument> &arguments)
    : m_use(connection)
    , m_statement(connection)
{
    m_statement.execute(sql, arguments);
    describe();
    if (m_columns.empty())
        finish();
}

OdbcCursor::~OdbcCursor()
{
    finish();
}

void OdbcCursor::describe()
{
    const int count = m_statement.columnCount();
    m_columns.reserve(static_cast<std::size_t>(count));
    m_fields.reserve(static_cast<std::size_t>(count));
    for (int i = 1; i <= count; ++i) {
        m_columns.push_back(OdbcColumn::fromDescription(m_statement.describeColumn(i)));
        m_fields.push_back(m_columns.back().def);
    }
    m_values.resize(m_columns.size());
}

void OdbcCursor::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    m_onRow = false;
    m_statement.closeCursor();
    m_use.release();
}

bool OdbcCursor::fetch()
{
    if (m_finished)
        return false;
    bool row = false;
    try {
        row = m_statement.fetch();
    } catch (...) {
        finish();
        throw;
    }
    if (!row) {
        finish();
        return false;
    }
    m_onRow = true;
    m_read = 0;
    return true;
}

Value OdbcCursor::value(int index)
{
    if (!m_onRow || index < 0 || index >= static_cast<int>(m_columns.size()))
        return {};
    while (m_read <= index) {
        m_values[static_cast<std::size_t>(m_read)] = readColumn(m_read);
        ++m_read;
    }
    return m_values[static_cast<std::size_t>(index)];
}

template <typename T>
bool OdbcCursor::readFixed(SQLUSMALLINT column, SQLSMALLINT cType, T &target)
{
    SQLLEN indicator = 0;
    const SQLRETURN rc = SQLGetData(m_statement.handle(), column, cType, &target, sizeof(T), &indicator);
    m_statement.check(rc, "SQLGetData");
    return indicator != SQL_NULL_DATA;
}

Value OdbcCursor::readColumn(int index)
{
    const auto column = static_cast<SQLUSMALLINT>(index + 1);
    switch (m_columns[static_cast<std::size_t>(index)].readKind) {
    case OdbcReadKind::Text:
        return readText(column);
    case OdbcReadKind::Bytes:
        return readBytes(column);
    case OdbcReadKind::SmallInt: {
        SQLSMALLINT v = 0;
        return readFixed(column, SQL_C_SSHORT, v) ? Value::fromInt(v) : Value();
    }
    case OdbcReadKind::Integer: {
        SQLINTEGER v = 0;
        return readFixed(column, SQL_C_SLONG, v) ? Value::fromInt(v) : Value();
    }
    case OdbcReadKind::BigInt: {
        SQLBIGINT v = 0;
        return readFixed(column, SQL_C_SBIGINT, v) ? Value::fromInt(v) : Value();
    }
    case OdbcReadKind::Bit: {
        unsigned char v = 0;
        return readFixed(column, SQL_C_BIT, v) ? Value::fromBool(v != 0) : Value();
    }
    case OdbcReadKind::Real: {
        SQLREAL v = 0;
        return readFixed(column, SQL_C_FLOAT, v) ? Value::fromDouble(static_cast<double>(v)) : Value();
    }
    case OdbcReadKind::Double: {
        SQLDOUBLE v = 0;
        return readFixed(column, SQL_C_DOUBLE, v) ? Value::fromDouble(v) : Value();
    }
    case OdbcReadKind::Timestamp: {
        SQL_TIMESTAMP_STRUCT v = {};
        return readFixed(column, SQL_C_TYPE_TIMESTAMP, v) ? Value::fromDateTime(dayOf(v)) : Value();
    }
    case OdbcReadKind::Date: {
        SQL_DATE_STRUCT v = {};
        return readFixed(column, SQL_C_TYPE_DATE, v) ? Value::fromDateTime(dayOf(v)) : Value();
    }
    case OdbcReadKind::Time: {
        SQL_TIME_STRUCT v = {};
        return readFixed(column, SQL_C_TYPE_TIME, v) ? Value::fromDateTime(dayOf(v)) : Value();
    }
    }
    return {};
}

Value OdbcCursor::readText(SQLUSMALLINT column)
{
    m_textChunk.resize(textChunkUnits);
    const auto chunkBytes = static_cast<SQLLEN>(m_textChunk.size() * sizeof(SQLWCHAR));
    QString text;
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc =
            SQLGetData(m_statement.handle(), column, SQL_C_WCHAR, m_textChunk.data(), chunkBytes, &indicator);
        if (rc == SQL_NO_DATA)
            break; // the previous chunk was the last
        m_statement.check(rc, "SQLGetData");
        if (indicator == SQL_NULL_DATA)
            return {};
        // A chunk that did not take the whole rest is full but for its
        // terminating zero; the last one holds `indicator` bytes.
        const bool more = rc == SQL_SUCCESS_WITH_INFO && (indicator == SQL_NO_TOTAL || indicator >= chunkBytes);
        const qsizetype units = more ? static_cast<qsizetype>(m_textChunk.size()) - 1
                                     : static_cast<qsizetype>(indicator / static_cast<SQLLEN>(sizeof(SQLWCHAR)));
        text += OdbcText::toQString(m_textChunk.data(), units);
        if (!more)
            break;
    }
    return Value::fromString(std::move(text));
}

Value OdbcCursor::readBytes(SQLUSMALLINT column)
{
    m_byteChunk.resize(byteChunkSize);
    QByteArray bytes;
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc =
            SQLGetData(m_statement.handle(), column, SQL_C_BINARY, m_byteChunk.data(), m_byteChunk.size(), &indicator);
        if (rc == SQL_NO_DATA)
            break;
        m_statement.check(rc, "SQLGetData");
        if (indicator == SQL_NULL_DATA)
            return {};
        const bool more = rc == SQL_SUCCESS_WITH_INFO && (indicator == SQL_NO_TOTAL || indicator > m_byteChunk.size());
        bytes.append(m_byteChunk.constData(), more ? m_byteChunk.size() : static_cast<qsizetype>(indicator));
        if (!more)
            break;
    }
    return Value::fromBytes(std::move(bytes));
}

} // namespace db
