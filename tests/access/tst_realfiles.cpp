// Databases written by Microsoft Access itself (the folder REALFILES_DIR,
// see its README): every table of every Jet 4 file read through the Access
// provider as the main window does ("select * from [table]") must give the
// rows, values and NULLs that the npm package mdb-reader reads. mdb-export is
// the third opinion: where it disagrees with mdb-reader the test says so.
// Access 97 and Access 2007 files must meet the clean format message. The
// rows of each table sorted by the table itself must come as SQLite's own
// sort puts them. The application databases of apps/ (apps/manifest.txt:
// path, format and password of each) are read the same way.
//
// A table's recorded row count is no evidence of anything (Jet keeps it
// loosely): the tables whose count differs from the rows read are listed,
// for information only.
//
// Values are compared in a normal form, so that only text notation (of
// dates, numbers) is left out of the comparison.

#include "CsvReader.h"
#include "Error.h"
#include "ReaderCheck.h"
#include "TADOConnection.h"
#include "TADOQuery.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryFile>
#include <QTest>

#include <algorithm>
#include <charconv>
#include <cmath>

using namespace db;

namespace {

const QString formatProjectsPassword = QStringLiteral("password");
const QString nullText = QStringLiteral("NULL");
const QString mdbtoolsNull = QStringLiteral("\\N");
const QString mdbtoolsDateFormat = QStringLiteral("%Y-%m-%d %H:%M:%S");

QString folder()
{
    return QStringLiteral(REALFILES_DIR);
}

QStringList listedFiles(const QString &list)
{
    QFile file(folder() + u'/' + list);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QStringList names;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (!line.trimmed().isEmpty())
            names << QString::fromUtf8(line.trimmed());
    }
    return names;
}

// A file below the folder, as a test row names it, and its password.
struct RealFile
{
    QString file;
    QString password;
};

// The files of the list `list` (one name a line), with the password the
// folder's README gives them.
QList<RealFile> listedRealFiles(const QString &list)
{
    QList<RealFile> files;
    for (const QString &name : listedFiles(list))
        files.append({name, formatProjectsPassword});
    return files;
}

// The files of apps/manifest.txt in format `format` ("jet4", "jet3",
// "accdb"): "owner/name commit path format [password]" a line, the file at
// apps/<owner>+<name>/<path>. Paths hold no spaces.
QList<RealFile> appFiles(const QString &format)
{
    QFile manifest(folder() + QStringLiteral("/apps/manifest.txt"));
    if (!manifest.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QList<RealFile> files;
    for (const QByteArray &line : manifest.readAll().split('\n')) {
        const QStringList parts = QString::fromUtf8(line).split(u' ', Qt::SkipEmptyParts);
        if (parts.size() < 4 || parts[0].startsWith(u'#') || parts[3] != format)
            continue;
        const QString file = QStringLiteral("apps/%1/%2").arg(QString(parts[0]).replace(u'/', u'+'), parts[2]);
        files.append({file, parts.value(4)});
    }
    return files;
}

QString connectionString(const QString &path, const QString &databasePassword)
{
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1;Jet OLEDB:Database Password=%2;"
                          "Persist Security Info=False")
        .arg(path, databasePassword);
}

// A double in plain decimal notation, the shortest that reads back as it.
QString doubleDecimal(double value)
{
    char buffer[400];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return ReaderCheck::plainDecimal(QString::fromLatin1(buffer, end.ptr - buffer));
}

QString floatText(double value)
{
    return QString::number(double(float(value)), 'g', 9);
}

QString doubleText(double value)
{
    return QString::number(value, 'g', 17);
}

// A date-time to the millisecond: mdb-reader keeps no finer time.
QString dayText(double day)
{
    return QString::number(std::llround(day * 86400000.0));
}

QString currencyText(double amount)
{
    const qint64 tenThousandths = std::llround(amount * 10000.0);
    const quint64 abs = tenThousandths < 0 ? quint64(-tenThousandths) : quint64(tenThousandths);
    return ReaderCheck::plainDecimal(QStringLiteral("%1%2.%3").arg(tenThousandths < 0 ? "-" : "").arg(abs / 10000).arg(abs % 10000, 4, 10, QLatin1Char('0')));
}

// mdb-reader's value in the normal form of its column type.
QString readerCell(const QString &type, const QJsonValue &cell)
{
    if (cell.isNull() || cell.isUndefined())
        return nullText;
    if (type == u"boolean")
        return cell.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    if (type == u"byte" || type == u"integer" || type == u"long")
        return QString::number(cell.toInteger());
    if (type == u"currency" || type == u"numeric")
        return ReaderCheck::plainDecimal(cell.toString());
    if (type == u"float")
        return floatText(cell.toDouble());
    if (type == u"double")
        return doubleText(cell.toDouble());
    if (type == u"datetime")
        return dayText(cell.toDouble());
    if (type == u"repid")
        return cell.toString().toUpper();
    return cell.toString(); // texts; binary and OLE as base64
}

// Our value in the same form.
QString providerCell(const QString &type, const Value &value)
{
    if (value.isNull())
        return nullText;
    if (type == u"boolean")
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    if (type == u"byte" || type == u"integer" || type == u"long")
        return QString::number(value.toInt());
    if (type == u"currency")
        return currencyText(value.toDouble());
    if (type == u"numeric") {
        switch (value.kind()) {
        case Value::String: return ReaderCheck::plainDecimal(value.stringRef());
        case Value::Integer: return QString::number(value.toInt());
        default: return doubleDecimal(value.toDouble());
        }
    }
    if (type == u"float")
        return floatText(value.toDouble());
    if (type == u"double")
        return doubleText(value.toDouble());
    if (type == u"datetime")
        return dayText(value.toDouble());
    if (type == u"binary" || type == u"ole")
        return QString::fromLatin1(value.bytesRef().toBase64());
    if (type == u"repid")
        return value.toText().toUpper();
    return value.toText();
}

// mdbtools' text of a date: seconds rounded, days from 30 December 1899.
QString mdbtoolsDate(double day)
{
    const double whole = std::floor(day);
    const long seconds = long((day - whole) * 86400.0 + 0.5);
    const QDateTime at(QDate(1899, 12, 30).addDays(qint64(whole)), QTime(0, 0));
    return at.addSecs(seconds).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// mdb-export's cell in the normal form of mdb-reader's type, given
// mdb-reader's value for the numbers it prints with fewer digits. Empty
// when they agree, else what mdb-export shows.
QString mdbtoolsDisagreement(const QString &type, const QJsonValue &readerValue, const CsvReader::Field &field)
{
    const bool shownNull = !field.quoted && field.text == mdbtoolsNull;
    const QString reader = readerCell(type, readerValue);
    if (type == u"boolean")
        return (field.text == u"1") == (reader == u"true") ? QString() : field.text;
    if (shownNull)
        return reader == nullText ? QString() : QStringLiteral("NULL");
    if (reader == nullText)
        return field.text;
    QString shown;
    if (type == u"byte" || type == u"integer" || type == u"long" || type == u"currency" || type == u"numeric")
        shown = ReaderCheck::plainDecimal(field.text);
    else if (type == u"float")
        shown = floatText(field.text.toDouble());
    else if (type == u"double")
        return std::fabs(field.text.toDouble() - readerValue.toDouble()) <= 1e-14 * std::fabs(readerValue.toDouble())
            ? QString() : field.text;
    else if (type == u"datetime")
        return field.text == mdbtoolsDate(readerValue.toDouble()) ? QString() : field.text;
    else if (type == u"binary" || type == u"ole")
        shown = QString::fromLatin1(QByteArray::fromHex(field.text.toLatin1()).toBase64());
    else if (type == u"repid")
        shown = field.text.toUpper();
    else
        shown = field.text;
    return shown == reader ? QString() : field.text.left(60);
}

struct Counts
{
    int files = 0;
    int tables = 0;
    int identical = 0;
    QStringList reordered;
    QStringList mdbtoolsDisagreements;
    // Tables whose definition records another row count than they hold.
    QStringList otherRecordedCount;
};

Counts counts;

// Every row of a table in the normal form, one text a row.
using Rows = QStringList;

QString rowText(const QStringList &cells)
{
    return cells.join(QStringLiteral(" | "));
}

Rows readerRows(const QJsonObject &table)
{
    const QJsonArray columns = table.value(u"columns").toArray();
    Rows rows;
    for (const QJsonValue &row : table.value(u"rows").toArray()) {
        const QJsonArray cells = row.toArray();
        QStringList texts;
        for (int c = 0; c < columns.size(); ++c)
            texts << readerCell(columns[c].toObject().value(u"type").toString(), cells[c]);
        rows << rowText(texts);
    }
    return rows;
}

// The rows of `table` through the provider, in the order `order` names
// (an ORDER BY clause or nothing); nothing but a message when a query fails.
Rows providerRows(TADOConnection &connection, const QJsonObject &table, QString &failure,
                  const QString &order = QString())
{
    const QString name = table.value(u"name").toString();
    const QJsonArray columns = table.value(u"columns").toArray();
    Rows rows;
    try {
        TADOQuery query(&connection);
        query.setSql(QStringLiteral("select * from [%1]").arg(name) + order);
        query.open();
        if (query.fieldCount() != columns.size()) {
            failure = QStringLiteral("%1 fields, mdb-reader %2 columns").arg(query.fieldCount()).arg(columns.size());
            return {};
        }
        for (int c = 0; c < columns.size(); ++c) {
            if (query.field(c).fieldName() != columns[c].toObject().value(u"name").toString())
                failure = QStringLiteral("field %1 is \"%2\"").arg(c).arg(query.field(c).fieldName());
        }
        for (; !query.eof(); query.next()) {
            QStringList texts;
            for (int c = 0; c < columns.size(); ++c)
                texts << providerCell(columns[c].toObject().value(u"type").toString(), query.field(c).value());
            rows << rowText(texts);
        }
    } catch (const Error &error) {
        failure = error.message();
    }
    return rows;
}

// The differences between the provider's rows of `table` and mdb-reader's.
// A table has no row order of its own (the exports sort theirs): rows that
// were moved to another page come in another order from the readers, so
// the rows are compared in order first, then as a whole.
QStringList providerDifferences(TADOConnection &connection, const QJsonObject &table, bool &reordered)
{
    const QString name = table.value(u"name").toString();
    QString failure;
    Rows ours = providerRows(connection, table, failure);
    Rows theirs = readerRows(table);
    if (!failure.isEmpty())
        return {QStringLiteral("%1: %2").arg(name, failure)};
    if (ours == theirs)
        return {};
    QStringList differences;
    if (ours.size() != theirs.size())
        differences << QStringLiteral("%1: %2 rows, mdb-reader %3").arg(name).arg(ours.size()).arg(theirs.size());
    std::sort(ours.begin(), ours.end());
    std::sort(theirs.begin(), theirs.end());
    for (qsizetype r = 0; r < qMin(ours.size(), theirs.size()) && differences.size() < 10; ++r) {
        if (ours[r] != theirs[r])
            differences << QStringLiteral("%1: provider row %2\n    mdb-reader row %3").arg(name, ours[r].left(300), theirs[r].left(300));
    }
    reordered = differences.isEmpty();
    return differences;
}

// Where the rows of `table` sorted by the table itself (an ORDER BY on up
// to three of its columns, the first descending) differ from the same rows
// sorted by SQLite (the columns behind a unary plus, rows alike in them in
// the table's order).
QStringList orderDifferences(TADOConnection &connection, const QJsonObject &table)
{
    const QString name = table.value(u"name").toString();
    QStringList keys;
    try {
        TADOQuery query(&connection);
        query.setSql(QStringLiteral("select * from [%1]").arg(name));
        query.open();
        for (int c = 0; c < query.fieldCount() && keys.size() < 3; ++c) {
            const FieldType type = query.field(c).dataType();
            if (type != ftBlob && type != ftBCD && type != ftFMTBcd)
                keys << QStringLiteral("[%1]").arg(query.field(c).fieldName());
        }
    } catch (const Error &) {
        return {}; // the table's own failure is reported with its rows
    }
    if (keys.isEmpty())
        return {};
    QString tableOrder = QStringLiteral(" order by ") + keys[0] + QStringLiteral(" desc");
    QString sqliteOrder = QStringLiteral(" order by +") + keys[0] + QStringLiteral(" desc");
    for (qsizetype k = 1; k < keys.size(); ++k) {
        tableOrder += QStringLiteral(", ") + keys[k];
        sqliteOrder += QStringLiteral(", +") + keys[k];
    }
    sqliteOrder += QStringLiteral(", rowid");
    QString failure;
    const Rows ours = providerRows(connection, table, failure, tableOrder);
    const Rows sqlite = providerRows(connection, table, failure, sqliteOrder);
    if (!failure.isEmpty())
        return {QStringLiteral("%1%2: %3").arg(name, tableOrder, failure)};
    if (ours == sqlite)
        return {};
    return {QStringLiteral("%1%2: other order than SQLite's").arg(name, tableOrder)};
}

// Where mdb-export shows `table` otherwise than mdb-reader.
QStringList mdbtoolsDifferences(const QString &path, const QJsonObject &table)
{
    const QString name = table.value(u"name").toString();
    const QJsonArray columns = table.value(u"columns").toArray();
    const QJsonArray rows = table.value(u"rows").toArray();
    QTemporaryFile exported;
    if (!exported.open())
        return {QStringLiteral("no temporary file")};
    exported.write(ReaderCheck::run(QStringLiteral("mdb-export"),
                                    {QStringLiteral("-0"), mdbtoolsNull, QStringLiteral("-b"), QStringLiteral("hex"),
                                     QStringLiteral("-T"), mdbtoolsDateFormat, QStringLiteral("-D"), mdbtoolsDateFormat,
                                     QStringLiteral("-H"), path, name}));
    exported.close();
    CsvReader csv(exported.fileName());
    QStringList differences;
    qsizetype row = 0;
    for (; const auto record = csv.next(); ++row) {
        if (row >= rows.size() || record->size() != columns.size())
            continue;
        const QJsonArray cells = rows[row].toArray();
        for (int c = 0; c < columns.size(); ++c) {
            const QJsonObject column = columns[c].toObject();
            const QString shown = mdbtoolsDisagreement(column.value(u"type").toString(), cells[c], (*record)[c]);
            if (!shown.isNull() && differences.size() < 5)
                differences << QStringLiteral("%1, row %2, %3: mdb-export %4, mdb-reader %5")
                                   .arg(name).arg(row + 1).arg(column.value(u"name").toString(), shown,
                                        readerCell(column.value(u"type").toString(), cells[c]).left(60));
        }
    }
    if (row != rows.size())
        differences << QStringLiteral("%1: mdb-export %2 rows, mdb-reader %3").arg(name).arg(row).arg(rows.size());
    return differences;
}

} // namespace

class TestRealFiles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!QFileInfo::exists(folder() + QStringLiteral("/jet4.txt")))
            QSKIP(qPrintable(QStringLiteral("No real Access files at %1: databases written by Access not checked.").arg(folder())));
        if (!ReaderCheck::mdbReaderAvailable())
            QSKIP("mdb-reader is not installed (npm ci in tests/node): real Access files not checked.");
    }

    void cleanupTestCase()
    {
        if (counts.files == 0)
            return;
        qInfo("Jet 4 files %d, tables %d, read identically to mdb-reader %d", counts.files, counts.tables,
              counts.identical);
        for (const QString &table : counts.reordered)
            qInfo("same rows as mdb-reader, moved rows in their original place: %s", qPrintable(table));
        for (const QString &line : counts.mdbtoolsDisagreements)
            qInfo("mdb-export and mdb-reader disagree: %s", qPrintable(line));
        qInfo("tables whose recorded row count differs from the rows read: %lld",
              qint64(counts.otherRecordedCount.size()));
        for (const QString &line : counts.otherRecordedCount)
            qInfo("  %s", qPrintable(line));
    }

    // Each file as the main window opens it, each table as the exports
    // query theirs.
    void jet4File_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("password");
        for (const RealFile &file : listedRealFiles(QStringLiteral("jet4.txt")) + appFiles(QStringLiteral("jet4")))
            QTest::newRow(qPrintable(file.file)) << file.file << file.password;
    }

    void jet4File()
    {
        QFETCH(QString, file);
        QFETCH(QString, password);
        const QString path = folder() + u'/' + file;
        const QJsonObject read = QJsonDocument::fromJson(ReaderCheck::run(
            QStringLiteral("node"), {QStringLiteral(JET_NODE_DIR "/read-mdb.mjs"), path, password})).object();
        QVERIFY2(read.contains(u"tables"), "mdb-reader read nothing");
        ++counts.files;

        TADOConnection connection;
        connection.setConnectionString(connectionString(path, password));
        QString connectFailure;
        try {
            connection.setConnected(true);
        } catch (const Error &error) {
            connectFailure = error.message();
        }

        QStringList differences;
        for (const QJsonValue &tableValue : read.value(u"tables").toArray()) {
            const QJsonObject table = tableValue.toObject();
            ++counts.tables;
            bool reordered = false;
            const QStringList tableDifferences = connectFailure.isEmpty()
                ? providerDifferences(connection, table, reordered)
                : QStringList{connectFailure};
            if (tableDifferences.isEmpty())
                ++counts.identical;
            if (connectFailure.isEmpty())
                differences << orderDifferences(connection, table);
            if (reordered)
                counts.reordered << file + QStringLiteral(": ") + table.value(u"name").toString();
            differences << tableDifferences;
            for (const QString &line : mdbtoolsDifferences(path, table))
                counts.mdbtoolsDisagreements << file + QStringLiteral(": ") + line;
            const qint64 recorded = table.value(u"rowCount").toInteger();
            const qint64 found = table.value(u"rows").toArray().size();
            if (recorded != found)
                counts.otherRecordedCount << QStringLiteral("%1: %2 records %3, holds %4")
                                                 .arg(file, table.value(u"name").toString())
                                                 .arg(recorded)
                                                 .arg(found);
        }
        QVERIFY2(differences.isEmpty(), qPrintable(differences.join(u'\n')));
    }

    // Access 97 and Access 2007 and later: not this provider's format.
    void refusedFile_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("password");
        for (const RealFile &file : listedRealFiles(QStringLiteral("refused.txt")) + appFiles(QStringLiteral("jet3"))
                 + appFiles(QStringLiteral("accdb")))
            QTest::newRow(qPrintable(file.file)) << file.file << file.password;
    }

    void refusedFile()
    {
        QFETCH(QString, file);
        QFETCH(QString, password);
        const QString path = folder() + u'/' + file;
        TADOConnection connection;
        connection.setConnectionString(connectionString(path, password));
        try {
            connection.setConnected(true);
            QFAIL("connected");
        } catch (const Error &error) {
            QCOMPARE(error.message(), QStringLiteral("Nicht erkanntes Datenbankformat '%1'.").arg(path));
        }
        QVERIFY(!connection.connected());
    }
};

QTEST_GUILESS_MAIN(TestRealFiles)
#include "tst_realfiles.moc"
