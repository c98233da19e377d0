#include "JetDescription.h"

#include "Error.h"
#include "JetDatabaseWriter.h"
#include "JetHeader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>

#include <cmath>
#include <limits>

namespace JetDescription {

namespace {

const QList<QPair<QString, JetType>> &typeNames()
{
    static const QList<QPair<QString, JetType>> names = {
        {QStringLiteral("boolean"), JetType::Boolean}, {QStringLiteral("byte"), JetType::Byte},
        {QStringLiteral("integer"), JetType::Integer}, {QStringLiteral("long"), JetType::Long},
        {QStringLiteral("currency"), JetType::Currency}, {QStringLiteral("single"), JetType::Single},
        {QStringLiteral("double"), JetType::Double}, {QStringLiteral("datetime"), JetType::DateTime},
        {QStringLiteral("text"), JetType::Text}, {QStringLiteral("memo"), JetType::Memo},
        {QStringLiteral("binary"), JetType::Binary}, {QStringLiteral("ole"), JetType::Ole},
    };
    return names;
}

void checkKeys(const QJsonObject &object, const QSet<QString> &allowed, const QString &where)
{
    for (const QString &key : object.keys())
        if (!allowed.contains(key))
            throw Error(QStringLiteral("%1: unknown key \"%2\"").arg(where, key));
}

QString requiredString(const QJsonObject &object, const QString &key, const QString &where)
{
    const QJsonValue value = object.value(key);
    if (!value.isString())
        throw Error(QStringLiteral("%1: \"%2\" must be a text").arg(where, key));
    return value.toString();
}

QDateTime parseDateTime(const QString &text)
{
    QDateTime dateTime = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!dateTime.isValid()) {
        const QDate date = QDate::fromString(text, Qt::ISODate);
        if (date.isValid())
            dateTime = QDateTime(date, QTime(0, 0));
    }
    if (!dateTime.isValid())
        throw Error(QStringLiteral("\"%1\" is not an ISO date-time such as 2019-03-01T10:15:00").arg(text));
    return dateTime;
}

JetValue parseCurrency(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("^\\s*([+-]?)(\\d+)(?:\\.(\\d{0,4}))?\\s*$"));
    const auto match = pattern.match(text);
    if (!match.hasMatch())
        throw Error(QStringLiteral("\"%1\" is not a currency amount with at most 4 decimals").arg(text));
    bool ok = false;
    const qint64 whole = match.captured(2).toLongLong(&ok);
    constexpr qint64 limit = std::numeric_limits<qint64>::max() / 10000 - 1;
    if (!ok || whole > limit)
        throw Error(QStringLiteral("\"%1\" is out of the currency range").arg(text));
    const qint64 fraction = match.captured(3).leftJustified(4, QLatin1Char('0')).toLongLong();
    const qint64 scaled = whole * 10000 + fraction;
    return JetValue::currency(match.captured(1) == QLatin1String("-") ? -scaled : scaled);
}

QByteArray parseBase64(const QString &text)
{
    const auto result = QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!result)
        throw Error(QStringLiteral("the value is not base64"));
    return result.decoded;
}

JetColumn parseColumn(const QJsonValue &value, const QString &where)
{
    if (!value.isObject())
        throw Error(QStringLiteral("%1: a column must be an object").arg(where));
    const QJsonObject object = value.toObject();
    checkKeys(object, {QStringLiteral("name"), QStringLiteral("type"), QStringLiteral("size")}, where);
    JetColumn column;
    column.name = requiredString(object, QStringLiteral("name"), where);
    column.type = parseType(requiredString(object, QStringLiteral("type"), where));
    if (column.type == JetType::Text || column.type == JetType::Binary) {
        const QJsonValue size = object.value(QStringLiteral("size"));
        if (size.isUndefined())
            column.size = 255;
        else if (size.isDouble() && size.toDouble() == std::trunc(size.toDouble()) && std::fabs(size.toDouble()) < 1e6)
            column.size = size.toInt();
        else
            throw Error(QStringLiteral("%1: \"size\" must be a whole number").arg(where));
    }
    return column;
}

void addCsv(JetTable &table, const QString &path, const QList<JetColumn> &columns)
{
    CsvReader csv(path);
    const QString where = QStringLiteral("%1").arg(path);
    const auto header = csv.next();
    if (!header)
        throw Error(QStringLiteral("%1: the file is empty; it must start with a header line of the column names").arg(where));
    QStringList expected, found;
    for (const JetColumn &column : columns)
        expected.append(column.name);
    for (const auto &field : *header)
        found.append(field.text.trimmed());
    if (found != expected)
        throw Error(QStringLiteral("%1: the header line must be \"%2\", not \"%3\"")
                        .arg(where, expected.join(QLatin1Char(',')), found.join(QLatin1Char(','))));

    QList<JetValue> row;
    while (auto record = csv.next()) {
        const QString line = QStringLiteral("%1, line %2").arg(where).arg(csv.recordLine());
        if (record->size() != columns.size())
            throw Error(QStringLiteral("%1: %2 fields, the table has %3 columns").arg(line).arg(record->size()).arg(columns.size()));
        row.clear();
        for (qsizetype i = 0; i < columns.size(); ++i) {
            const auto &field = (*record)[i];
            try {
                row.append(field.isNull() ? JetValue() : fromText(field.text, columns[i]));
            } catch (const Error &e) {
                throw Error(QStringLiteral("%1, column \"%2\": %3").arg(line, columns[i].name, e.message()));
            }
        }
        try {
            table.addRow(row);
        } catch (const Error &e) {
            throw Error(QStringLiteral("%1: %2").arg(line, e.message()));
        }
    }
}

void addTable(JetDatabaseWriter &writer, const QJsonValue &value, int index, const QDir &baseDir)
{
    QString where = QStringLiteral("table %1").arg(index + 1);
    if (!value.isObject())
        throw Error(QStringLiteral("%1: a table must be an object").arg(where));
    const QJsonObject object = value.toObject();
    checkKeys(object, {QStringLiteral("name"), QStringLiteral("columns"), QStringLiteral("rows"), QStringLiteral("csv")}, where);
    const QString name = requiredString(object, QStringLiteral("name"), where);
    where = QStringLiteral("table \"%1\"").arg(name);

    const QJsonValue columnsValue = object.value(QStringLiteral("columns"));
    if (!columnsValue.isArray())
        throw Error(QStringLiteral("%1: \"columns\" must be an array").arg(where));
    QList<JetColumn> columns;
    for (const QJsonValue &column : columnsValue.toArray())
        columns.append(parseColumn(column, QStringLiteral("%1, column %2").arg(where).arg(columns.size() + 1)));
    JetTable table = writer.addTable(name, columns);

    const QJsonValue rows = object.value(QStringLiteral("rows"));
    if (!rows.isUndefined() && !rows.isArray())
        throw Error(QStringLiteral("%1: \"rows\" must be an array of arrays").arg(where));
    int rowNumber = 0;
    for (const QJsonValue &rowValue : rows.toArray()) {
        const QString rowWhere = QStringLiteral("%1, row %2").arg(where).arg(++rowNumber);
        if (!rowValue.isArray())
            throw Error(QStringLiteral("%1: a row must be an array").arg(rowWhere));
        const QJsonArray cells = rowValue.toArray();
        if (cells.size() != columns.size())
            throw Error(QStringLiteral("%1: %2 values, the table has %3 columns").arg(rowWhere).arg(cells.size()).arg(columns.size()));
        QList<JetValue> row;
        for (qsizetype i = 0; i < columns.size(); ++i) {
            try {
                row.append(fromJson(cells[i], columns[i]));
            } catch (const Error &e) {
                throw Error(QStringLiteral("%1, column \"%2\": %3").arg(rowWhere, columns[i].name, e.message()));
            }
        }
        try {
            table.addRow(row);
        } catch (const Error &e) {
            throw Error(QStringLiteral("row %1: %2").arg(rowNumber).arg(e.message()));
        }
    }

    const QJsonValue csv = object.value(QStringLiteral("csv"));
    if (!csv.isUndefined()) {
        if (!csv.isString())
            throw Error(QStringLiteral("%1: \"csv\" must be a file name").arg(where));
        addCsv(table, baseDir.filePath(csv.toString()), columns);
    }
}

} // namespace

JetType parseType(const QString &name)
{
    for (const auto &[typeName, type] : typeNames())
        if (name.compare(typeName, Qt::CaseInsensitive) == 0)
            return type;
    QStringList known;
    for (const auto &entry : typeNames())
        known.append(entry.first);
    throw Error(QStringLiteral("unknown column type \"%1\" (known: %2)").arg(name, known.join(QStringLiteral(", "))));
}

JetValue fromJson(const QJsonValue &value, const JetColumn &column)
{
    switch (value.type()) {
    case QJsonValue::Null:
        return {};
    case QJsonValue::Bool:
        return value.toBool();
    case QJsonValue::Double:
        if (column.type == JetType::DateTime)
            return JetValue::oleDate(value.toDouble());
        return value.toDouble();
    case QJsonValue::String:
        return fromText(value.toString(), column);
    default:
        throw Error(QStringLiteral("a value must be null, a boolean, a number or a text"));
    }
}

JetValue fromText(const QString &text, const JetColumn &column)
{
    switch (column.type) {
    case JetType::Text:
    case JetType::Memo:
    case JetType::Decimal: // its exact digits
        return text;
    case JetType::Binary:
    case JetType::Ole:
        return JetValue::bytes(parseBase64(text));
    case JetType::Boolean: {
        const QString t = text.trimmed().toLower();
        if (t == QLatin1String("true") || t == QLatin1String("yes") || t == QLatin1String("1") || t == QLatin1String("-1"))
            return true;
        if (t == QLatin1String("false") || t == QLatin1String("no") || t == QLatin1String("0"))
            return false;
        throw Error(QStringLiteral("\"%1\" is not a boolean (true/false)").arg(text));
    }
    case JetType::Byte:
    case JetType::Integer:
    case JetType::Long: {
        bool ok = false;
        const qint64 number = text.trimmed().toLongLong(&ok);
        if (!ok)
            throw Error(QStringLiteral("\"%1\" is not a whole number").arg(text));
        return number;
    }
    case JetType::Currency:
        return parseCurrency(text);
    case JetType::Single:
    case JetType::Double: {
        bool ok = false;
        const double number = text.trimmed().toDouble(&ok);
        if (!ok)
            throw Error(QStringLiteral("\"%1\" is not a number").arg(text));
        return number;
    }
    case JetType::DateTime: {
        bool ok = false;
        const double day = text.trimmed().toDouble(&ok);
        if (ok)
            return JetValue::oleDate(day);
        return JetValue(parseDateTime(text.trimmed()));
    }
    }
    return {};
}

void build(const QString &descriptionPath, const QString &outputPath)
{
    QFile file(descriptionPath);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("cannot open \"%1\": %2").arg(descriptionPath, file.errorString()));
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (document.isNull())
        throw Error(QStringLiteral("%1 is not valid JSON: %2 at offset %3")
                        .arg(descriptionPath, parseError.errorString())
                        .arg(parseError.offset));
    if (!document.isObject())
        throw Error(QStringLiteral("%1: the description must be a JSON object").arg(descriptionPath));
    const QJsonObject root = document.object();
    checkKeys(root, {QStringLiteral("password"), QStringLiteral("creationDate"), QStringLiteral("tables")}, descriptionPath);

    const QJsonValue password = root.value(QStringLiteral("password"));
    if (!password.isUndefined() && !password.isString() && !password.isNull())
        throw Error(QStringLiteral("%1: \"password\" must be a text").arg(descriptionPath));
    const QJsonValue tables = root.value(QStringLiteral("tables"));
    if (!tables.isArray())
        throw Error(QStringLiteral("%1: \"tables\" must be an array").arg(descriptionPath));

    JetDatabaseWriter writer(outputPath, password.toString());
    const QJsonValue creationDate = root.value(QStringLiteral("creationDate"));
    if (creationDate.isString())
        writer.setCreationDate(parseDateTime(creationDate.toString()));
    else if (!creationDate.isUndefined())
        throw Error(QStringLiteral("%1: \"creationDate\" must be an ISO date-time text").arg(descriptionPath));

    const QDir baseDir = QFileInfo(descriptionPath).absoluteDir();
    const QJsonArray tableArray = tables.toArray();
    for (int i = 0; i < tableArray.size(); ++i)
        addTable(writer, tableArray[i], i, baseDir);
    writer.finish();
}

} // namespace JetDescription
