// The Jet writer's own rules: header and password, text storage, where rows
// and long values go, and what it refuses.

#include "Error.h"
#include "JetDatabaseWriter.h"
#include "JetHeader.h"
#include "JetText.h"
#include "access/JetHeaderPage.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <cmath>
#include <limits>

namespace {

constexpr int pageSize = 4096;

// Counts the pages of a file by kind: data pages of a table (by the number
// of its definition page), long-value pages and usage bitmap pages.
struct PageCensus
{
    QMap<quint32, int> dataPagesByOwner;
    int longValuePages = 0;
    int bitmapPages = 0;
    int pageCount = 0;

    explicit PageCensus(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return;
        const QByteArray bytes = file.readAll();
        pageCount = int(bytes.size() / pageSize);
        for (int page = 1; page < pageCount; ++page) {
            const char *p = bytes.constData() + qsizetype(page) * pageSize;
            const quint32 owner = qFromLittleEndian<quint32>(p + 4);
            if (p[0] == 0x01 && owner == 0x4C41564C)
                ++longValuePages;
            else if (p[0] == 0x01 && owner != 0)
                ++dataPagesByOwner[owner];
            else if (p[0] == 0x05)
                ++bitmapPages;
        }
    }
};

QString repeat(QChar c, int n)
{
    return QString(n, c);
}

} // namespace

class TestJetWriter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void headerKeepsPasswordAndDate_data();
    void headerKeepsPasswordAndDate();
    void headerOfOtherFiles();
    void textStorage_data();
    void textStorage();
    void longValuesGoToLongValuePagesWhenTooLong_data();
    void longValuesGoToLongValuePagesWhenTooLong();
    void pagesHoldAtMost255Rows();
    void largeTablesGetBitmapUsageMaps();
    void valuesThatDoNotFit_data();
    void valuesThatDoNotFit();
    void tablesThatCannotBeWritten();
    void unfinishedFileIsRemoved();

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

void TestJetWriter::headerKeepsPasswordAndDate_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<double>("creationDate");
    QTest::newRow("none") << QString() << 43466.25;
    QTest::newRow("sample") << QStringLiteral("quillet") << 43466.25;
    QTest::newRow("umlauts") << QStringLiteral("Kassa-Öffnung-€") << 2.0;
    QTest::newRow("20 characters") << QStringLiteral("12345678901234567890") << 2958465.5;
}

void TestJetWriter::headerKeepsPasswordAndDate()
{
    QFETCH(QString, password);
    QFETCH(double, creationDate);
    const QByteArray page = JetHeader::makeJet4(creationDate, password);
    QCOMPARE(page.size(), JetHeader::jet4PageSize);
    const auto info = db::JetHeaderPage::parse(page);
    QVERIFY(info);
    QCOMPARE(info->format(), db::JetHeaderPage::Format::Jet4);
    QCOMPARE(info->creationDate(), creationDate);
    QCOMPARE(info->password(), password);
    // The password is masked with the creation date: another date, other bytes.
    const QByteArray other = JetHeader::makeJet4(creationDate + 1, password);
    QVERIFY(page.mid(0x42, 40) != other.mid(0x42, 40));
    QCOMPARE(db::JetHeaderPage::parse(other)->password(), password);
}

void TestJetWriter::headerOfOtherFiles()
{
    QVERIFY(!db::JetHeaderPage::parse(QByteArray()));
    QVERIFY(!db::JetHeaderPage::parse(QByteArray(4096, '\0')));
    QVERIFY(!db::JetHeaderPage::parse(JetHeader::makeJet4(40000, QString()).left(0x60)));
    QByteArray text = "PK\x03\x04 this is a zip file";
    text.resize(4096);
    QVERIFY(!db::JetHeaderPage::parse(text));

    QByteArray unknownVersion = JetHeader::makeJet4(40000, QString());
    unknownVersion[0x14] = 9;
    QVERIFY(!db::JetHeaderPage::parse(unknownVersion));

    // An Access 97 (Jet 3) header: 20 single-byte characters, not masked.
    QByteArray jet3(JetHeader::jet3PageSize, '\0');
    jet3[1] = 1;
    jet3.replace(4, 15, "Standard Jet DB");
    const QByteArray password = QStringLiteral("Kässe").toLatin1();
    jet3.replace(0x42, password.size(), password);
    db::JetHeaderPage::scramble(jet3.data(), db::JetHeaderPage::Format::Jet3);
    const auto info = db::JetHeaderPage::parse(jet3);
    QVERIFY(info);
    QCOMPARE(info->format(), db::JetHeaderPage::Format::Jet3);
    QCOMPARE(info->password(), QStringLiteral("Kässe"));

    QByteArray ace = JetHeader::makeJet4(40000, QString());
    ace.replace(4, 15, "Standard ACE DB");
    ace[0x14] = 3;
    QCOMPARE(db::JetHeaderPage::parse(ace)->format(), db::JetHeaderPage::Format::Ace);
}

void TestJetWriter::textStorage_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("compress");
    QTest::addColumn<QByteArray>("stored");
    QTest::newRow("empty") << QString() << true << QByteArray();
    QTest::newRow("compressed") << QStringLiteral("abc") << true << QByteArray::fromHex("fffe616263");
    QTest::newRow("two characters: not shorter") << QStringLiteral("ab") << true << QByteArray::fromHex("61006200");
    QTest::newRow("umlauts are one byte") << QStringLiteral("Grüße") << true << QByteArray::fromHex("fffe4772fcdf65");
    QTest::newRow("euro in a long text") << QStringLiteral("abcdefgh€") << true << QByteArray::fromHex("fffe616263646566676800ac20");
    QTest::newRow("euro at both ends") << QStringLiteral("€abcdefgh€") << true
                                       << QByteArray::fromHex("fffe00ac2000616263646566676800ac20");
    QTest::newRow("mostly euro: plain") << QStringLiteral("a€€€€b") << true << QByteArray::fromHex("6100ac20ac20ac20ac206200");
    QTest::newRow("low byte zero: plain") << QStringLiteral("Āabcd") << true << QByteArray::fromHex("00016100620063006400");
    QTest::newRow("not asked to") << QStringLiteral("abc") << false << QByteArray::fromHex("610062006300");
}

void TestJetWriter::textStorage()
{
    QFETCH(QString, text);
    QFETCH(bool, compress);
    QFETCH(QByteArray, stored);
    QByteArray out = "x";
    JetText::append(out, text, compress);
    QCOMPARE(out.mid(1).toHex(), stored.toHex());
}

void TestJetWriter::longValuesGoToLongValuePagesWhenTooLong_data()
{
    // Each memo is written twice; values of up to one page share pages.
    QTest::addColumn<QString>("memo");
    QTest::addColumn<int>("longValuePages");
    QTest::newRow("1022 characters, 1024 bytes: in the row") << repeat('a', 1022) << 0;
    QTest::newRow("1023 characters: long-value rows sharing a page") << repeat('a', 1023) << 1;
    QTest::newRow("2040 characters, 4080 bytes: a page each") << repeat('a', 2040) << 2;
    QTest::newRow("2041 characters: chains of two pages") << repeat('a', 2041) << 4;
    QTest::newRow("65535 characters: chains of 33 pages") << repeat('a', 65535) << 66;
}

void TestJetWriter::longValuesGoToLongValuePagesWhenTooLong()
{
    QFETCH(QString, memo);
    QFETCH(int, longValuePages);
    const QString file = path(QStringLiteral("memo.mdb"));
    JetDatabaseWriter writer(file);
    JetTable table = writer.addTable(QStringLiteral("M"), {JetColumn::of(QStringLiteral("Notiz"), JetType::Memo)});
    table.addRow({memo});
    table.addRow({memo});
    writer.finish();
    QCOMPARE(PageCensus(file).longValuePages, longValuePages);
}

void TestJetWriter::pagesHoldAtMost255Rows()
{
    const QString file = path(QStringLiteral("short-rows.mdb"));
    JetDatabaseWriter writer(file);
    JetTable table = writer.addTable(QStringLiteral("B"), {JetColumn::of(QStringLiteral("Wert"), JetType::Byte)});
    for (int i = 0; i < 1000; ++i)
        table.addRow({i % 256});
    writer.finish();
    const PageCensus census(file);
    QCOMPARE(census.dataPagesByOwner.size(), 2); // the catalog and the table
    QCOMPARE(census.dataPagesByOwner.last(), 4);
}

void TestJetWriter::largeTablesGetBitmapUsageMaps()
{
    const QString small = path(QStringLiteral("small.mdb"));
    const QString large = path(QStringLiteral("large.mdb"));
    for (const QString &file : {small, large}) {
        JetDatabaseWriter writer(file);
        JetTable table = writer.addTable(QStringLiteral("T"), {JetColumn::of(QStringLiteral("ID"), JetType::Long),
                                                                JetColumn::text(QStringLiteral("Text"), 100)});
        const int rows = file == small ? 1000 : 30000;
        for (int i = 0; i < rows; ++i)
            table.addRow({i, repeat('x', 60)});
        writer.finish();
    }
    QCOMPARE(PageCensus(small).bitmapPages, 0);
    const PageCensus census(large);
    QVERIFY(census.dataPagesByOwner.last() > 472);
    QCOMPARE(census.bitmapPages, 1);
}

void TestJetWriter::valuesThatDoNotFit_data()
{
    QTest::addColumn<JetColumn>("column");
    QTest::addColumn<JetValue>("value");
    QTest::addColumn<QString>("message");
    const auto of = [](JetType type) { return JetColumn::of(QStringLiteral("C"), type); };
    QTest::newRow("text too long") << JetColumn::text(QStringLiteral("C"), 5) << JetValue("abcdef")
                                   << "a text of 6 characters exceeds the column size 5";
    QTest::newRow("byte 256") << of(JetType::Byte) << JetValue(256) << "256 is out of the range 0 to 255";
    QTest::newRow("byte -1") << of(JetType::Byte) << JetValue(-1) << "-1 is out of the range 0 to 255";
    QTest::newRow("integer 32768") << of(JetType::Integer) << JetValue(32768) << "out of the range -32768 to 32767";
    QTest::newRow("long 2^31") << of(JetType::Long) << JetValue(qint64(1) << 31) << "out of the range -2147483648 to 2147483647";
    QTest::newRow("integer with fraction") << of(JetType::Integer) << JetValue(1.5) << "a number does not go into a Integer column";
    QTest::newRow("text into long") << of(JetType::Long) << JetValue("12") << "a text does not go into a Long Integer column";
    QTest::newRow("number into text") << JetColumn::text(QStringLiteral("C"), 5) << JetValue(12)
                                      << "an integer does not go into a Text column";
    QTest::newRow("currency overflow") << of(JetType::Currency) << JetValue(1e300) << "out of the currency range";
    QTest::newRow("single overflow") << of(JetType::Single) << JetValue(1e40) << "out of the Single range";
    QTest::newRow("text into boolean") << of(JetType::Boolean) << JetValue("ja") << "a text does not go into a Yes/No column";
    QTest::newRow("date not a number") << of(JetType::DateTime) << JetValue(std::nan("")) << "the date-time is not a number";
    QTest::newRow("bytes into memo") << of(JetType::Memo) << JetValue::bytes("x") << "bytes does not go into a Memo column";
}

void TestJetWriter::valuesThatDoNotFit()
{
    QFETCH(JetColumn, column);
    QFETCH(JetValue, value);
    QFETCH(QString, message);
    JetDatabaseWriter writer(path(QStringLiteral("errors.mdb")));
    JetTable table = writer.addTable(QStringLiteral("T"), {JetColumn::of(QStringLiteral("ID"), JetType::Long), column});
    try {
        table.addRow({1, value});
        QFAIL("no error");
    } catch (const Error &e) {
        QVERIFY2(e.message().startsWith(QStringLiteral("Table \"T\", column \"C\": ")), qPrintable(e.message()));
        QVERIFY2(e.message().contains(message), qPrintable(e.message()));
    }
    QCOMPARE(table.rowCount(), 0u);
}

void TestJetWriter::tablesThatCannotBeWritten()
{
    JetDatabaseWriter writer(path(QStringLiteral("tables.mdb")));
    const JetColumn id = JetColumn::of(QStringLiteral("ID"), JetType::Long);
    QVERIFY_THROWS_EXCEPTION(Error, writer.addTable(QStringLiteral("T"), {}));
    QVERIFY_THROWS_EXCEPTION(Error, writer.addTable(QString(), {id}));
    QVERIFY_THROWS_EXCEPTION(Error, writer.addTable(QStringLiteral("MSysAccounts"), {id}));
    QVERIFY_THROWS_EXCEPTION(Error, writer.addTable(repeat('t', 65), {id}));
    QVERIFY_THROWS_EXCEPTION(Error, writer.addTable(QStringLiteral("T"), {id, JetColumn::of(QStringLiteral("id"), JetType::Text)}));
    QVERIFY_THROWS_EXCEPTION(Error, writer.addTable(QStringLiteral("T"), {JetColumn::text(QStringLiteral("X"), 0)}));
    QVERIFY_THROWS_EXCEPTION(Error, writer.addTable(QStringLiteral("T"), {JetColumn::text(QStringLiteral("X"), 256)}));
    QVERIFY_THROWS_EXCEPTION(Error, writer.addTable(QStringLiteral("T"), {JetColumn::of(QStringLiteral(" "), JetType::Long)}));
    QVERIFY_THROWS_EXCEPTION(Error, writer.addTable(QStringLiteral("T"), {JetColumn::of(QStringLiteral("Preis [EUR]"), JetType::Long)}));
    QVERIFY_THROWS_EXCEPTION(Error, writer.addTable(QStringLiteral("T.1"), {id}));
    QVERIFY_THROWS_EXCEPTION(Error, writer.addTable(QStringLiteral(" T"), {id}));
    QList<JetColumn> tooMany;
    for (int i = 0; i < 256; ++i)
        tooMany.append(JetColumn::of(QStringLiteral("C%1").arg(i), JetType::Long));
    QVERIFY_THROWS_EXCEPTION(Error, writer.addTable(QStringLiteral("T"), tooMany));

    // A row beyond the 4060 bytes Jet allows.
    QList<JetColumn> texts;
    QList<JetValue> row;
    for (int i = 0; i < 9; ++i) {
        texts.append(JetColumn::text(QStringLiteral("T%1").arg(i), 255));
        row.append(repeat(QChar(0x20AC), 255));
    }
    JetTable wide = writer.addTable(QStringLiteral("Breit"), texts);
    QVERIFY_THROWS_EXCEPTION(Error, wide.addRow(row));

    JetTable table = writer.addTable(QStringLiteral("Kunden"), {id});
    QVERIFY_THROWS_EXCEPTION(Error, writer.addTable(QStringLiteral("KUNDEN"), {id}));
    QVERIFY_THROWS_EXCEPTION(Error, table.addRow({1, 2}));
    QVERIFY_THROWS_EXCEPTION(Error, writer.setCreationDate(0.0));
    QVERIFY_THROWS_EXCEPTION(Error, JetDatabaseWriter(path(QStringLiteral("pw.mdb")), repeat('p', 21)));
    QVERIFY(!QFile::exists(path(QStringLiteral("pw.mdb"))));
    writer.finish();
    QVERIFY_THROWS_EXCEPTION(Error, table.addRow({1}));
    QVERIFY_THROWS_EXCEPTION(Error, writer.addTable(QStringLiteral("Später"), {id}));
    QVERIFY_THROWS_EXCEPTION(IoError, JetDatabaseWriter(path(QStringLiteral("no/such/dir/x.mdb"))));
}

void TestJetWriter::unfinishedFileIsRemoved()
{
    const QString file = path(QStringLiteral("unfinished.mdb"));
    {
        JetDatabaseWriter writer(file);
        JetTable table = writer.addTable(QStringLiteral("T"), {JetColumn::of(QStringLiteral("ID"), JetType::Long)});
        table.addRow({1});
        QVERIFY(QFile::exists(file));
    }
    QVERIFY(!QFile::exists(file));

    {
        JetDatabaseWriter writer(file);
        writer.finish();
        writer.finish(); // harmless
    }
    QFile finished(file);
    QVERIFY(finished.open(QIODevice::ReadOnly));
    QCOMPARE(finished.size() % pageSize, 0);
    QVERIFY(db::JetHeaderPage::parse(finished.read(pageSize)));
}

QTEST_GUILESS_MAIN(TestJetWriter)
#include "tst_jetwriter.moc"
