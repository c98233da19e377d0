#include "ReaderCheck.h"

#include "CsvReader.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTest>

#include <cmath>

namespace ReaderCheck {

namespace {

const QString nullMarker = QStringLiteral("\\N");
const QString dateFormat = QStringLiteral("%Y-%m-%d %H:%M:%S");

QString nodeDir()
{
    return QStringLiteral(JET_NODE_DIR);
}

QString cellName(const WrittenTable &table, qsizetype row, const JetColumn &column)
{
    return QStringLiteral("table %1, row %2, column %3").arg(table.name).arg(row + 1).arg(column.name);
}

QString currencyText(qint64 tenThousandths)
{
    const bool negative = tenThousandths < 0;
    const quint64 abs = negative ? quint64(-(tenThousandths + 1)) + 1 : quint64(tenThousandths);
    return QStringLiteral("%1%2.%3").arg(negative ? "-" : "").arg(abs / 10000).arg(abs % 10000, 4, 10, QLatin1Char('0'));
}

qint64 expectedCurrency(const JetValue &value)
{
    switch (value.kind()) {
    case JetValue::Kind::Currency: return value.toCurrency();
    case JetValue::Kind::Integer: return value.toInteger() * 10000;
    default: return std::llround(value.toDouble() * 10000.0);
    }
}

double expectedNumber(const JetValue &value)
{
    switch (value.kind()) {
    case JetValue::Kind::Integer: return double(value.toInteger());
    case JetValue::Kind::DateTime: return value.toOleDate();
    case JetValue::Kind::Bool: return value.toBool() ? 1 : 0;
    default: return value.toDouble();
    }
}

bool expectedBool(const JetValue &value)
{
    if (value.kind() == JetValue::Kind::Bool)
        return value.toBool();
    if (value.kind() == JetValue::Kind::Integer)
        return value.toInteger() != 0;
    return false;
}

// mdbtools' way of turning a day number into a calendar time: seconds
// rounded, nothing for days it does not handle.
QString mdbtoolsDateText(double day)
{
    const double whole = std::floor(day);
    const long seconds = long((day - whole) * 86400.0 + 0.5);
    const QDate date = QDate(1899, 12, 30).addDays(qint64(whole));
    const QTime time = QTime(0, 0).addSecs(int(seconds));
    return date.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ') + time.toString(QStringLiteral("HH:mm:ss"));
}

QString expectedDecimal(const JetValue &value)
{
    switch (value.kind()) {
    case JetValue::Kind::Integer: return QString::number(value.toInteger());
    case JetValue::Kind::Double: return plainDecimal(QString::number(value.toDouble(), 'f', QLocale::FloatingPointShortest));
    default: return plainDecimal(value.toText());
    }
}

bool closeTo(double a, double b, double relative)
{
    if (a == b)
        return true;
    return std::fabs(a - b) <= relative * qMax(std::fabs(a), std::fabs(b));
}

// mdb-schema names the number types as Access does (jetTypeName), the
// others its own way, with their sizes.
QString expectedSchemaType(const JetColumn &column)
{
    switch (column.type) {
    case JetType::Boolean: return QStringLiteral("Boolean NOT NULL");
    case JetType::DateTime: return QStringLiteral("DateTime");
    case JetType::Text: return QStringLiteral("Text (%1)").arg(column.size);
    case JetType::Memo: return QStringLiteral("Memo/Hyperlink (255)");
    case JetType::Decimal: return QStringLiteral("Numeric (%1, %2)").arg(column.precision).arg(column.scale);
    case JetType::Binary: return QStringLiteral("Binary (%1)").arg(column.size);
    case JetType::Ole: return QStringLiteral("OLE (255)");
    case JetType::Byte:
    case JetType::Integer:
    case JetType::Long:
    case JetType::Currency:
    case JetType::Single:
    case JetType::Double: return jetTypeName(column.type);
    }
    return {};
}

// What mdb-export shows for a written value (null: a NULL cell).
std::optional<QString> mdbtoolsExpectation(const JetColumn &column, const JetValue &value)
{
    if (column.type == JetType::Boolean)
        return QString(expectedBool(value) ? "1" : "0");
    if (value.isNull())
        return std::nullopt;
    switch (column.type) {
    case JetType::Currency: return currencyText(expectedCurrency(value));
    case JetType::Text:
    case JetType::Memo:
        if (value.toText().isEmpty())
            return std::nullopt; // mdbtools shows an empty text as NULL
        return value.toText();
    case JetType::Byte:
    case JetType::Integer:
    case JetType::Long: return QString::number(qint64(expectedNumber(value)));
    case JetType::Decimal: return expectedDecimal(value);
    default: return QString(); // compared as numbers or dates below
    }
}

QString compareMdbtoolsCell(const JetColumn &column, const JetValue &value, const CsvReader::Field &field)
{
    const bool shownNull = !field.quoted && field.text == nullMarker;
    const auto expected = mdbtoolsExpectation(column, value);
    if (!expected)
        return shownNull ? QString() : QStringLiteral("expected NULL, mdb-export shows \"%1\"").arg(field.text);
    if (shownNull)
        return QStringLiteral("mdb-export shows NULL");
    switch (column.type) {
    case JetType::Single:
        return closeTo(field.text.toDouble(), double(float(expectedNumber(value))), 1e-7)
            ? QString()
            : QStringLiteral("Single %1 shown as %2").arg(expectedNumber(value)).arg(field.text);
    case JetType::Double:
        return closeTo(field.text.toDouble(), expectedNumber(value), 1e-15)
            ? QString()
            : QStringLiteral("Double %1 shown as %2").arg(expectedNumber(value), 0, 'g', 17).arg(field.text);
    case JetType::DateTime: {
        const double day = expectedNumber(value);
        if (day < 0 || day > 1e6)
            return {}; // mdbtools has no text for these days
        const QString text = mdbtoolsDateText(day);
        return field.text == text ? QString() : QStringLiteral("date %1 (%2) shown as %3").arg(day, 0, 'f', 8).arg(text, field.text);
    }
    case JetType::Binary:
    case JetType::Ole:
        return {};
    case JetType::Decimal:
        return plainDecimal(field.text) == *expected ? QString()
                                                     : QStringLiteral("decimal %1 shown as %2").arg(*expected, field.text);
    default:
        return field.text == *expected ? QString()
                                       : QStringLiteral("expected \"%1\", mdb-export shows \"%2\"").arg(expected->left(80), field.text.left(80));
    }
}

QString compareMdbReaderCell(const JetColumn &column, const JetValue &value, const QJsonValue &cell)
{
    if (column.type == JetType::Boolean)
        return cell.isBool() && cell.toBool() == expectedBool(value) ? QString() : QStringLiteral("boolean read as %1").arg(QString::fromUtf8(QJsonDocument(QJsonArray{cell}).toJson(QJsonDocument::Compact)));
    if (value.isNull())
        return cell.isNull() ? QString() : QStringLiteral("expected null");
    if (cell.isNull())
        return QStringLiteral("read as null");
    switch (column.type) {
    case JetType::Currency:
        return cell.toString() == currencyText(expectedCurrency(value)) ? QString()
                                                                         : QStringLiteral("currency read as %1").arg(cell.toString());
    case JetType::Decimal:
        return plainDecimal(cell.toString()) == expectedDecimal(value)
            ? QString()
            : QStringLiteral("decimal %1 read as %2").arg(expectedDecimal(value), cell.toString());
    case JetType::Single:
        return float(cell.toDouble()) == float(expectedNumber(value)) ? QString()
                                                                      : QStringLiteral("Single read as %1").arg(cell.toDouble());
    case JetType::DateTime:
        return std::fabs(cell.toDouble() - expectedNumber(value)) < 1e-8
            ? QString()
            : QStringLiteral("date %1 read as %2").arg(expectedNumber(value), 0, 'f', 8).arg(cell.toDouble(), 0, 'f', 8);
    case JetType::Text:
    case JetType::Memo:
        return cell.toString() == value.toText() ? QString()
                                                 : QStringLiteral("text read as \"%1\" (%2 characters, expected %3)")
                                                       .arg(cell.toString().left(60))
                                                       .arg(cell.toString().size())
                                                       .arg(value.toText().size());
    case JetType::Binary:
    case JetType::Ole:
        return cell.toString() == QString::fromLatin1(value.toBytes().toBase64()) ? QString() : QStringLiteral("bytes differ");
    default:
        return cell.toDouble() == expectedNumber(value) ? QString()
                                                        : QStringLiteral("number %1 read as %2").arg(expectedNumber(value)).arg(cell.toDouble());
    }
}

QMap<QString, QStringList> parseSchema(const QString &schema)
{
    QMap<QString, QStringList> tables;
    static const QRegularExpression tableLine(QStringLiteral("^CREATE TABLE \\[(.*)\\]$"));
    static const QRegularExpression columnLine(QStringLiteral("^\\s*\\[(.*)\\]\\s+(.*?),?\\s*$"));
    QString current;
    for (const QString &line : schema.split(QLatin1Char('\n'))) {
        if (const auto m = tableLine.match(line); m.hasMatch()) {
            current = m.captured(1);
            tables[current];
        } else if (const auto m = columnLine.match(line); m.hasMatch() && !current.isEmpty()) {
            tables[current].append(m.captured(1) + QLatin1Char(' ') + m.captured(2));
        } else if (line.startsWith(QLatin1Char(')'))) {
            current.clear();
        }
    }
    return tables;
}

} // namespace

QString plainDecimal(QString text)
{
    const bool negative = text.startsWith(u'-');
    if (negative || text.startsWith(u'+'))
        text.remove(0, 1);
    if (text.contains(u'.')) {
        while (text.endsWith(u'0'))
            text.chop(1);
        if (text.endsWith(u'.'))
            text.chop(1);
    }
    while (text.size() > 1 && text.startsWith(u'0') && text[1] != u'.')
        text.remove(0, 1);
    if (text.isEmpty() || text == u"0")
        return QStringLiteral("0");
    return negative ? u'-' + text : text;
}

QByteArray run(const QString &program, const QStringList &arguments, int *exitCode, QByteArray *errorOutput)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(10000)) {
        QTest::qFail(qPrintable(QStringLiteral("cannot start %1").arg(program)), __FILE__, __LINE__);
        return {};
    }
    QByteArray output;
    while (!process.waitForFinished(100)) {
        output += process.readAllStandardOutput();
        if (process.state() == QProcess::NotRunning)
            break;
    }
    output += process.readAllStandardOutput();
    const QByteArray errors = process.readAllStandardError();
    if (errorOutput)
        *errorOutput = errors;
    if (exitCode) {
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    } else if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        QTest::qFail(qPrintable(QStringLiteral("%1 %2 failed: %3").arg(program, arguments.join(' '), QString::fromUtf8(errors))),
                     __FILE__, __LINE__);
        return {};
    }
    return output;
}

QString mdbtoolsSchemaDifference(const QString &path, const QList<WrittenTable> &tables)
{
    QStringList expectedNames;
    for (const auto &table : tables)
        expectedNames.append(table.name);
    const QStringList names = QString::fromUtf8(run(QStringLiteral("mdb-tables"), {QStringLiteral("-1"), path}))
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (names != expectedNames)
        return QStringLiteral("mdb-tables lists %1, expected %2").arg(names.join(','), expectedNames.join(','));

    const auto schema = parseSchema(QString::fromUtf8(run(QStringLiteral("mdb-schema"), {path})));
    for (const auto &table : tables) {
        QStringList expected;
        for (const auto &column : table.columns)
            expected.append(column.name + QLatin1Char(' ') + expectedSchemaType(column));
        if (schema.value(table.name) != expected)
            return QStringLiteral("mdb-schema of %1:\n  %2\nexpected:\n  %3")
                .arg(table.name, schema.value(table.name).join(QStringLiteral("\n  ")), expected.join(QStringLiteral("\n  ")));
    }
    return {};
}

qsizetype mdbtoolsRowCount(const QString &path, const QString &table)
{
    QTemporaryFile exported;
    if (!exported.open())
        return -1;
    exported.write(run(QStringLiteral("mdb-export"), {QStringLiteral("-H"), path, table}));
    exported.close();
    CsvReader csv(exported.fileName());
    qsizetype rows = 0;
    while (csv.next())
        ++rows;
    return rows;
}

QString mdbtoolsDifference(const QString &path, const QList<WrittenTable> &tables)
{
    if (const QString difference = mdbtoolsSchemaDifference(path, tables); !difference.isEmpty())
        return difference;
    for (const auto &table : tables) {
        QTemporaryFile exported;
        if (!exported.open())
            return QStringLiteral("cannot make a temporary file");
        exported.write(run(QStringLiteral("mdb-export"),
                           {QStringLiteral("-0"), nullMarker, QStringLiteral("-T"), dateFormat, QStringLiteral("-D"), dateFormat,
                            path, table.name}));
        exported.close();
        CsvReader csv(exported.fileName());
        const auto header = csv.next();
        QStringList headerNames, columnNames;
        for (const auto &field : header.value_or(QList<CsvReader::Field>()))
            headerNames.append(field.text);
        for (const auto &column : table.columns)
            columnNames.append(column.name);
        if (headerNames != columnNames)
            return QStringLiteral("mdb-export %1: header %2").arg(table.name, headerNames.join(','));
        qsizetype row = 0;
        while (auto record = csv.next()) {
            if (row >= table.rows.size())
                return QStringLiteral("mdb-export %1: more than %2 rows").arg(table.name).arg(table.rows.size());
            if (record->size() != table.columns.size())
                return QStringLiteral("mdb-export %1, row %2: %3 fields").arg(table.name).arg(row + 1).arg(record->size());
            for (qsizetype c = 0; c < table.columns.size(); ++c) {
                const QString difference = compareMdbtoolsCell(table.columns[c], table.rows[row][c], (*record)[c]);
                if (!difference.isEmpty())
                    return QStringLiteral("mdbtools, %1: %2").arg(cellName(table, row, table.columns[c]), difference);
            }
            ++row;
        }
        if (row != table.rows.size())
            return QStringLiteral("mdb-export %1: %2 rows, expected %3").arg(table.name).arg(row).arg(table.rows.size());
    }
    return {};
}

bool mdbReaderAvailable()
{
    return !QStandardPaths::findExecutable(QStringLiteral("node")).isEmpty()
        && QFileInfo::exists(nodeDir() + QStringLiteral("/node_modules/mdb-reader/package.json"));
}

QString mdbReaderDifference(const QString &path, const QString &password, const QList<WrittenTable> &tables)
{
    const QByteArray output = run(QStringLiteral("node"), {nodeDir() + QStringLiteral("/read-mdb.mjs"), path, password});
    QJsonParseError error;
    const QJsonObject root = QJsonDocument::fromJson(output, &error).object();
    if (error.error != QJsonParseError::NoError)
        return QStringLiteral("read-mdb.mjs printed no JSON: %1").arg(error.errorString());
    const QString readPassword = root.value(QStringLiteral("password")).toString();
    if (readPassword != password)
        return QStringLiteral("mdb-reader reads the password \"%1\", expected \"%2\"").arg(readPassword, password);

    const QJsonArray readTables = root.value(QStringLiteral("tables")).toArray();
    if (readTables.size() != tables.size())
        return QStringLiteral("mdb-reader finds %1 tables, expected %2").arg(readTables.size()).arg(tables.size());
    for (qsizetype t = 0; t < tables.size(); ++t) {
        const WrittenTable &table = tables[t];
        const QJsonObject read = readTables[t].toObject();
        if (read.value(QStringLiteral("name")).toString() != table.name)
            return QStringLiteral("mdb-reader table %1 is \"%2\"").arg(t + 1).arg(read.value(QStringLiteral("name")).toString());
        const QJsonArray columns = read.value(QStringLiteral("columns")).toArray();
        if (columns.size() != table.columns.size())
            return QStringLiteral("mdb-reader, table %1: %2 columns").arg(table.name).arg(columns.size());
        for (qsizetype c = 0; c < columns.size(); ++c)
            if (columns[c].toObject().value(QStringLiteral("name")).toString() != table.columns[c].name)
                return QStringLiteral("mdb-reader, table %1: column %2 is \"%3\"")
                    .arg(table.name)
                    .arg(c + 1)
                    .arg(columns[c].toObject().value(QStringLiteral("name")).toString());
        if (read.value(QStringLiteral("rowCount")).toInteger() != table.rows.size())
            return QStringLiteral("mdb-reader, table %1: row count %2 in the definition").arg(table.name).arg(read.value(QStringLiteral("rowCount")).toInteger());
        const QJsonArray rows = read.value(QStringLiteral("rows")).toArray();
        if (rows.size() != table.rows.size())
            return QStringLiteral("mdb-reader, table %1: %2 rows, expected %3").arg(table.name).arg(rows.size()).arg(table.rows.size());
        for (qsizetype r = 0; r < rows.size(); ++r) {
            const QJsonArray cells = rows[r].toArray();
            for (qsizetype c = 0; c < table.columns.size(); ++c) {
                const QString difference = compareMdbReaderCell(table.columns[c], table.rows[r][c], cells[c]);
                if (!difference.isEmpty())
                    return QStringLiteral("mdb-reader, %1: %2").arg(cellName(table, r, table.columns[c]), difference);
            }
        }
    }
    return {};
}

} // namespace ReaderCheck
