#pragma once

#include "FieldDef.h"

#include <QString>

#include <sql.h>

namespace db {

// What the driver tells of one result column (SQLDescribeCol and the
// column's type name from SQLColAttribute).
struct OdbcColumnDescription
{
    QString name;
    SQLSMALLINT sqlType = SQL_UNKNOWN_TYPE;
    SQLULEN columnSize = 0;
    SQLSMALLINT decimalDigits = 0;
    SQLSMALLINT nullable = SQL_NULLABLE_UNKNOWN;
    // The data source's own name of the type ("money", "nvarchar", "int4").
    QString typeName;
};

// How the values of a column are fetched with SQLGetData.
enum class OdbcReadKind {
    Text,      // UTF-16 in chunks
    Bytes,     // binary in chunks
    SmallInt,
    Integer,
    BigInt,
    Bit,
    Real,      // 32-bit float, widened to double as Single fields are
    Double,
    Timestamp,
    Date,
    Time,
};

// A result column as the dataset sees it: the field definition with the
// field type of the register's database layer, and how to read it.
struct OdbcColumn
{
    FieldDef def;
    OdbcReadKind readKind = OdbcReadKind::Text;

    // nvarchar/varchar up to 4000/8000 characters give ftString with their
    // length; longer, (max), text and ntext ftMemo; int ftInteger;
    // smallint and tinyint ftSmallint; bigint ftLargeint; bit ftBoolean;
    // float and real ftFloat; money and smallmoney (by their type name, as
    // the drivers report them as decimal or float) ftCurrency; decimal and
    // numeric ftBCD; datetime, datetime2 and smalldatetime ftDateTime; date
    // ftDate; time ftTime.
    static OdbcColumn fromDescription(const OdbcColumnDescription &description);
};

} // namespace db
