#pragma once

#include "ProviderConnection.h"

#include <QByteArray>

#include <sql.h>
#include <sqlext.h>

#include <vector>

namespace db {

// The buffer of one "?" marker, bound to a statement until it has run. The
// value's kind decides the C type (a date-time as a timestamp structure,
// integers as 32- or 64-bit integers, texts as UTF-16); a Null is bound as
// SQL_NULL_DATA with the SQL type that the declared type suggests.
class OdbcParameter
{
public:
    explicit OdbcParameter(const Argument &argument);
    OdbcParameter(const OdbcParameter &) = delete;
    OdbcParameter &operator=(const OdbcParameter &) = delete;

    // Binds the buffer to marker `number` (from 1). The object must stay
    // where it is until the statement has run.
    void bind(SQLHSTMT statement, SQLUSMALLINT number);

    SQLSMALLINT cType() const { return m_cType; }
    SQLSMALLINT sqlType() const { return m_sqlType; }
    SQLLEN indicator() const { return m_indicator; }
    const SQL_TIMESTAMP_STRUCT &timestamp() const { return m_timestamp; }

private:
    void setNull(FieldType declaredType);
    void setDateTime(double day);
    void setInteger(qint64 value);
    void setText(const QString &text);
    void setBytes(const QByteArray &bytes);

    SQLSMALLINT m_cType = SQL_C_WCHAR;
    SQLSMALLINT m_sqlType = SQL_WVARCHAR;
    SQLULEN m_columnSize = 0;
    SQLSMALLINT m_decimalDigits = 0;
    SQLLEN m_indicator = 0;

    SQLINTEGER m_int32 = 0;
    SQLBIGINT m_int64 = 0;
    SQLDOUBLE m_double = 0;
    unsigned char m_bit = 0;
    SQL_TIMESTAMP_STRUCT m_timestamp = {};
    std::vector<SQLWCHAR> m_text;
    QByteArray m_bytes;
};

} // namespace db
