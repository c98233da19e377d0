#include "OdbcColumn.h"

#include <sqlext.h>
#include <sqlucode.h>

namespace db {

namespace {

// The SQL Server driver's own type codes for time(n) and datetimeoffset.
constexpr SQLSMALLINT sqlSsTime2 = -154;
constexpr SQLSMALLINT sqlSsTimestampOffset = -155;

// Texts longer than this are long values, read in chunks as memos. 8000 is
// the widest varchar of SQL Server; (max) columns report 0 or 2^30 and up.
constexpr SQLULEN maxPlainTextSize = 8000;

// Float and currency fields carry the dataset layer's default precision,
// whatever width the column has, as the Access provider's fields do.
constexpr int defaultFloatPrecision = 15;

bool isMoneyType(const QString &typeName)
{
    return typeName.compare(QLatin1String("money"), Qt::CaseInsensitive) == 0
        || typeName.compare(QLatin1String("smallmoney"), Qt::CaseInsensitive) == 0;
}

OdbcColumn textColumn(const OdbcColumnDescription &d)
{
    OdbcColumn c;
    if (d.columnSize > 0 && d.columnSize <= maxPlainTextSize) {
        c.def.type = ftString;
        c.def.size = static_cast<int>(d.columnSize);
    } else {
        c.def.type = ftMemo;
    }
    c.readKind = OdbcReadKind::Text;
    return c;
}

OdbcColumn column(FieldType type, OdbcReadKind readKind, int precision = 0, int size = 0)
{
    OdbcColumn c;
    c.def.type = type;
    c.def.precision = precision;
    c.def.size = size;
    c.readKind = readKind;
    return c;
}

OdbcColumn mapType(const OdbcColumnDescription &d)
{
    if (isMoneyType(d.typeName))
        return column(ftCurrency, OdbcReadKind::Double, defaultFloatPrecision);
    switch (d.sqlType) {
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_WCHAR:
    case SQL_WVARCHAR:
        return textColumn(d);
    case SQL_LONGVARCHAR:
    case SQL_WLONGVARCHAR:
        return column(ftMemo, OdbcReadKind::Text);
    case SQL_TINYINT:
    case SQL_SMALLINT:
        return column(ftSmallint, OdbcReadKind::SmallInt);
    case SQL_INTEGER:
        return column(ftInteger, OdbcReadKind::Integer);
    case SQL_BIGINT:
        return column(ftLargeint, OdbcReadKind::BigInt);
    case SQL_BIT:
        return column(ftBoolean, OdbcReadKind::Bit);
    case SQL_REAL:
        return column(ftFloat, OdbcReadKind::Real, defaultFloatPrecision);
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return column(ftFloat, OdbcReadKind::Double, defaultFloatPrecision);
    case SQL_DECIMAL:
    case SQL_NUMERIC:
        return column(ftBCD, OdbcReadKind::Double, static_cast<int>(d.columnSize), d.decimalDigits);
    case SQL_TYPE_TIMESTAMP:
    case SQL_DATETIME:
    case sqlSsTimestampOffset:
        return column(ftDateTime, OdbcReadKind::Timestamp);
    case SQL_TYPE_DATE:
        return column(ftDate, OdbcReadKind::Date);
    case SQL_TYPE_TIME:
    case SQL_TIME:
    case sqlSsTime2:
        return column(ftTime, OdbcReadKind::Time);
    case SQL_GUID:
        return column(ftGuid, OdbcReadKind::Text, 0, 38);
    case SQL_BINARY:
        return column(ftBytes, OdbcReadKind::Bytes, 0, static_cast<int>(d.columnSize));
    case SQL_VARBINARY:
        if (d.columnSize > 0 && d.columnSize <= maxPlainTextSize)
            return column(ftVarBytes, OdbcReadKind::Bytes, 0, static_cast<int>(d.columnSize));
        return column(ftBlob, OdbcReadKind::Bytes);
    case SQL_LONGVARBINARY:
        return column(ftBlob, OdbcReadKind::Bytes);
    default:
        // a type of the data source that ODBC has no code for (xml,
        // sql_variant, ...): its text
        return textColumn(d);
    }
}

} // namespace

OdbcColumn OdbcColumn::fromDescription(const OdbcColumnDescription &description)
{
    OdbcColumn c = mapType(description);
    c.def.name = description.name;
    c.def.required = description.nullable == SQL_NO_NULLS;
    c.def.readOnly = true;
    return c;
}

} // namespace db
