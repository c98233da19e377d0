#include "JetDeclaredType.h"

#include "JetCollation.h"
#include "JetTableDef.h"

#include <QRegularExpression>

namespace db::JetDeclaredType {

namespace {

constexpr int floatPrecision = 15;
constexpr int maxBcdScale = 4;
constexpr int maxBcdWholeDigits = 15;

QString collated(const QString &type)
{
    return type + QStringLiteral(" COLLATE ") + QLatin1String(JetCollation::name);
}

} // namespace

QString of(const JetColumnDef &column)
{
    switch (column.type) {
    case JetColumnType::Text: return collated(QStringLiteral("TEXT(%1)").arg(column.size / 2));
    case JetColumnType::Memo: return collated(QStringLiteral("LONGTEXT"));
    case JetColumnType::Byte: return QStringLiteral("TINYINT");
    case JetColumnType::Integer: return QStringLiteral("SMALLINT");
    case JetColumnType::Long: return QStringLiteral("INTEGER");
    case JetColumnType::Boolean: return QStringLiteral("BIT");
    case JetColumnType::Single: return QStringLiteral("FLOAT");
    case JetColumnType::Double: return QStringLiteral("DOUBLE");
    case JetColumnType::Currency: return QStringLiteral("CURRENCY");
    case JetColumnType::DateTime: return QStringLiteral("DATETIME");
    case JetColumnType::Binary: return QStringLiteral("BLOB(%1)").arg(column.size);
    case JetColumnType::Ole: return QStringLiteral("LONGBLOB");
    case JetColumnType::Guid: return collated(QStringLiteral("GUID"));
    case JetColumnType::Numeric: return QStringLiteral("DECIMAL(%1,%2)").arg(column.precision).arg(column.scale);
    }
    return QStringLiteral("BLOB");
}

bool toFieldDef(const QString &declared, FieldDef &def)
{
    static const QRegularExpression pattern(QStringLiteral("^([A-Z]+)(?:\\((\\d+)(?:,(\\d+))?\\))?$"));
    const QRegularExpressionMatch match = pattern.match(declared.trimmed().toUpper());
    if (!match.hasMatch())
        return false;
    const QString name = match.captured(1);
    const int first = match.captured(2).toInt();
    const int second = match.captured(3).toInt();
    def.size = 0;
    def.precision = 0;
    if (name == u"TEXT") {
        def.type = ftString;
        def.size = first;
    } else if (name == u"LONGTEXT") {
        def.type = ftMemo;
    } else if (name == u"TINYINT") {
        def.type = ftWord;
    } else if (name == u"SMALLINT") {
        def.type = ftSmallint;
    } else if (name == u"INTEGER") {
        def.type = ftInteger;
    } else if (name == u"BIT") {
        def.type = ftBoolean;
    } else if (name == u"FLOAT" || name == u"DOUBLE") {
        def.type = ftFloat;
        def.precision = floatPrecision;
    } else if (name == u"CURRENCY") {
        def.type = ftCurrency;
        def.precision = floatPrecision;
    } else if (name == u"DATETIME") {
        def.type = ftDateTime;
    } else if (name == u"BLOB" || name == u"LONGBLOB") {
        def.type = ftBlob;
    } else if (name == u"GUID") {
        def.type = ftGuid;
        def.size = 38;
    } else if (name == u"DECIMAL") {
        // A BCD field holds up to 15 whole digits and 4 decimals; wider
        // decimals are formatted BCD fields, which keep every digit.
        def.type = second <= maxBcdScale && first - second <= maxBcdWholeDigits ? ftBCD : ftFMTBcd;
        def.precision = first;
        def.size = second;
    } else {
        return false;
    }
    return true;
}

} // namespace db::JetDeclaredType
