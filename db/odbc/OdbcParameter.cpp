#include "OdbcParameter.h"

#include "OdbcDiagnostics.h"
#include "OdbcText.h"
#include "OleDate.h"

#include <limits>

namespace db {

namespace {

// The widest nvarchar and varbinary that SQL Server takes as a plain value;
// longer ones are bound as long values.
constexpr qsizetype maxPlainText = 4000;
constexpr qsizetype maxPlainBytes = 8000;

bool isDateTimeType(FieldType type)
{
    return type == ftDate || type == ftTime || type == ftDateTime;
}

} // namespace

OdbcParameter::OdbcParameter(const Argument &argument)
{
    const Value &v = argument.value;
    switch (v.kind()) {
    case Value::Null:
        setNull(argument.declaredType);
        break;
    case Value::Boolean:
        m_cType = SQL_C_BIT;
        m_sqlType = SQL_BIT;
        m_bit = v.toBool() ? 1 : 0;
        break;
    case Value::Integer:
        setInteger(v.toInt());
        break;
    case Value::Double:
        if (isDateTimeType(argument.declaredType)) {
            setDateTime(v.toDouble());
        } else {
            m_cType = SQL_C_DOUBLE;
            m_sqlType = SQL_DOUBLE;
            m_columnSize = 15;
            m_double = v.toDouble();
        }
        break;
    case Value::DateTime:
        setDateTime(v.toDouble());
        break;
    case Value::String:
        setText(v.stringRef());
        break;
    case Value::Bytes:
        setBytes(v.bytesRef());
        break;
    }
}

void OdbcParameter::setNull(FieldType declaredType)
{
    m_indicator = SQL_NULL_DATA;
    switch (declaredType) {
    case ftDate:
    case ftTime:
    case ftDateTime:
        m_cType = SQL_C_TYPE_TIMESTAMP;
        m_sqlType = SQL_TYPE_TIMESTAMP;
        m_columnSize = 23;
        m_decimalDigits = 3;
        break;
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
        m_cType = SQL_C_SLONG;
        m_sqlType = SQL_INTEGER;
        break;
    case ftLargeint:
        m_cType = SQL_C_SBIGINT;
        m_sqlType = SQL_BIGINT;
        break;
    case ftBoolean:
        m_cType = SQL_C_BIT;
        m_sqlType = SQL_BIT;
        break;
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftFMTBcd:
        m_cType = SQL_C_DOUBLE;
        m_sqlType = SQL_DOUBLE;
        m_columnSize = 15;
        break;
    case ftBytes:
    case ftVarBytes:
    case ftBlob:
        m_cType = SQL_C_BINARY;
        m_sqlType = SQL_VARBINARY;
        m_columnSize = 1;
        break;
    default:
        m_cType = SQL_C_WCHAR;
        m_sqlType = SQL_WVARCHAR;
        m_columnSize = 1;
        break;
    }
}

void OdbcParameter::setDateTime(double day)
{
    // Date and time straight from the day number: a local QDateTime would
    // move a time in the spring's missing hour.
    const QDate date = OleDate::toDate(day);
    const QTime time = QTime::fromMSecsSinceStartOfDay(OleDate::timeOfDayMs(day));
    m_cType = SQL_C_TYPE_TIMESTAMP;
    m_sqlType = SQL_TYPE_TIMESTAMP;
    // 23 characters with 3 decimals: the precision of SQL Server's datetime.
    m_columnSize = 23;
    m_decimalDigits = 3;
    m_timestamp.year = static_cast<SQLSMALLINT>(date.year());
    m_timestamp.month = static_cast<SQLUSMALLINT>(date.month());
    m_timestamp.day = static_cast<SQLUSMALLINT>(date.day());
    m_timestamp.hour = static_cast<SQLUSMALLINT>(time.hour());
    m_timestamp.minute = static_cast<SQLUSMALLINT>(time.minute());
    m_timestamp.second = static_cast<SQLUSMALLINT>(time.second());
    m_timestamp.fraction = static_cast<SQLUINTEGER>(time.msec()) * 1000000u;
}

void OdbcParameter::setInteger(qint64 value)
{
    if (value >= std::numeric_limits<SQLINTEGER>::min() && value <= std::numeric_limits<SQLINTEGER>::max()) {
        m_cType = SQL_C_SLONG;
        m_sqlType = SQL_INTEGER;
        m_int32 = static_cast<SQLINTEGER>(value);
    } else {
        m_cType = SQL_C_SBIGINT;
        m_sqlType = SQL_BIGINT;
        m_int64 = value;
    }
}

void OdbcParameter::setText(const QString &text)
{
    m_cType = SQL_C_WCHAR;
    m_sqlType = text.size() > maxPlainText ? SQL_WLONGVARCHAR : SQL_WVARCHAR;
    m_columnSize = static_cast<SQLULEN>(std::max<qsizetype>(text.size(), 1));
    m_text = OdbcText::toSqlWChar(text);
    m_indicator = static_cast<SQLLEN>(text.size() * sizeof(SQLWCHAR));
}

void OdbcParameter::setBytes(const QByteArray &bytes)
{
    m_cType = SQL_C_BINARY;
    m_sqlType = bytes.size() > maxPlainBytes ? SQL_LONGVARBINARY : SQL_VARBINARY;
    m_columnSize = static_cast<SQLULEN>(std::max<qsizetype>(bytes.size(), 1));
    m_bytes = bytes;
    m_indicator = static_cast<SQLLEN>(bytes.size());
}

void OdbcParameter::bind(SQLHSTMT statement, SQLUSMALLINT number)
{
    SQLPOINTER buffer = nullptr;
    SQLLEN bufferLength = 0;
    switch (m_cType) {
    case SQL_C_BIT: buffer = &m_bit; break;
    case SQL_C_SLONG: buffer = &m_int32; break;
    case SQL_C_SBIGINT: buffer = &m_int64; break;
    case SQL_C_DOUBLE: buffer = &m_double; break;
    case SQL_C_TYPE_TIMESTAMP: buffer = &m_timestamp; break;
    case SQL_C_WCHAR:
        if (m_text.empty())
            m_text.assign(1, 0);
        buffer = m_text.data();
        bufferLength = static_cast<SQLLEN>(m_text.size() * sizeof(SQLWCHAR));
        break;
    case SQL_C_BINARY:
        buffer = m_bytes.data();
        bufferLength = m_bytes.size();
        break;
    }
    const SQLRETURN rc = SQLBindParameter(statement, number, SQL_PARAM_INPUT, m_cType, m_sqlType, m_columnSize,
                                          m_decimalDigits, buffer, bufferLength, &m_indicator);
    OdbcDiagnostics::check(rc, SQL_HANDLE_STMT, statement, "SQLBindParameter");
}

} // namespace db
