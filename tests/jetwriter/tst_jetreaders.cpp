// The files the Jet writer makes, read back through mdbtools and mdb-reader.

#include "Error.h"
#include "JetDatabaseWriter.h"
#include "access/JetHeaderPage.h"
#include "ReaderCheck.h"
#include "RegisterDatabase.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <cfloat>
#include <limits>

namespace {

void writeDatabase(const QString &path, const QString &password, QList<WrittenTable> &tables, double creationDate = 43466.0)
{
    JetDatabaseWriter writer(path, password);
    writer.setCreationDate(creationDate);
    QList<JetTable> handles;
    for (const auto &table : tables)
        handles.append(writer.addTable(table.name, table.columns));
    for (qsizetype t = 0; t < tables.size(); ++t)
        for (const auto &row : tables[t].rows)
            handles[t].addRow(row);
    writer.finish();
}

// A text of `length` characters cycling through the given ones.
// The first bytes of the file, enough to decode its header page.
QByteArray headerOf(const QString &file)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return {};
    return in.read(db::JetHeaderPage::decodedSize);
}

QString cycle(const QString &characters, int length)
{
    QString text;
    text.reserve(length);
    for (int i = 0; i < length; ++i)
        text.append(characters[i % characters.size()]);
    return text;
}

} // namespace

class TestJetReaders : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void documentedExample();
    void everyTypeWithBoundariesAndNulls();
    void decimalsAndNumbersStoredAsVariable();
    void memosInlineAndInLongValuePages();
    void manyPagesOfTablesFilledAlternately();
    void severalTablesEmptyFixedOnlyAndWide();
    void passwordsReadBack_data();
    void passwordsReadBack();
    void rejectedRowsLeaveNoTrace();
    void registerDatabase();
    void makeJetDbFromJsonAndCsv();
    void makeJetDbRejectsBadInput_data();
    void makeJetDbRejectsBadInput();

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    void verifyReaders(const QString &file, const QString &password, const QList<WrittenTable> &tables);

    QTemporaryDir m_dir;
};

void TestJetReaders::initTestCase()
{
    QVERIFY(m_dir.isValid());
    if (!ReaderCheck::mdbReaderAvailable()) {
        if (qEnvironmentVariableIsSet("CI"))
            QFAIL("mdb-reader is missing: run npm ci in tests/node");
        qWarning("mdb-reader is missing (npm ci in tests/node): checking with mdbtools only");
    }
}

void TestJetReaders::verifyReaders(const QString &file, const QString &password, const QList<WrittenTable> &tables)
{
    const QString mdbtools = ReaderCheck::mdbtoolsDifference(file, tables);
    QVERIFY2(mdbtools.isEmpty(), qPrintable(mdbtools));
    if (ReaderCheck::mdbReaderAvailable()) {
        const QString mdbReader = ReaderCheck::mdbReaderDifference(file, password, tables);
        QVERIFY2(mdbReader.isEmpty(), qPrintable(mdbReader));
    }
}

void TestJetReaders::documentedExample()
{
    // As in JetDatabaseWriter.h.
    const QString file = path(QStringLiteral("kasse.mdb"));
    JetDatabaseWriter writer(file, "quillet");
    JetTable sales = writer.addTable("Barverkaeufe", {
        JetColumn::of("ID", JetType::Long),
        JetColumn::text("Bezeichnung", 50),
        JetColumn::of("Betrag", JetType::Currency),
        JetColumn::of("Tagesabrechnung", JetType::DateTime),
        JetColumn::of("Bemerkung", JetType::Memo),
    });
    sales.addRow({1, "Melange", JetValue::currency(34500), QDateTime({2019, 3, 1}, {10, 15}), nullptr});
    sales.addRow({2, "Sacher", 4.9, JetValue::oleDate(43525.5), "ohne Schlag"});
    writer.finish();

    verifyReaders(file, QStringLiteral("quillet"),
                  {{QStringLiteral("Barverkaeufe"),
                    sales.columns(),
                    {{1, QStringLiteral("Melange"), JetValue::currency(34500), JetValue::oleDate(43525.0 + 615.0 / 1440.0), nullptr},
                     {2, QStringLiteral("Sacher"), JetValue::currency(49000), JetValue::oleDate(43525.5), QStringLiteral("ohne Schlag")}}}});
}

void TestJetReaders::everyTypeWithBoundariesAndNulls()
{
    WrittenTable table{QStringLiteral("Typen"),
                       {JetColumn::of(QStringLiteral("Ja"), JetType::Boolean), JetColumn::of(QStringLiteral("B"), JetType::Byte),
                        JetColumn::of(QStringLiteral("I"), JetType::Integer), JetColumn::of(QStringLiteral("L"), JetType::Long),
                        JetColumn::of(QStringLiteral("Geld"), JetType::Currency), JetColumn::of(QStringLiteral("S"), JetType::Single),
                        JetColumn::of(QStringLiteral("D"), JetType::Double), JetColumn::of(QStringLiteral("Zeit"), JetType::DateTime),
                        JetColumn::text(QStringLiteral("Text"), 255), JetColumn::text(QStringLiteral("Kurz"), 10),
                        JetColumn::of(QStringLiteral("Notiz"), JetType::Memo)},
                       {}};
    constexpr qint64 maxCurrency = std::numeric_limits<qint64>::max();
    table.rows = {
        {true, 7, 1234, 123456789, JetValue::currency(123456), 1.5, 3.141592653589793,
         QDateTime(QDate(2019, 3, 1), QTime(10, 15)), QStringLiteral("Grüße aus Österreich"), QStringLiteral("kurz"),
         QStringLiteral("Memo mit Umlauten: äöüÄÖÜß")},
        {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
        {false, 0, -32768, std::numeric_limits<qint32>::min(), JetValue::currency(-maxCurrency), -double(FLT_MAX), -1.2345678901234567e308,
         JetValue::oleDate(0.0), QString(), QString(), QString()},
        {true, 255, 32767, std::numeric_limits<qint32>::max(), JetValue::currency(maxCurrency), double(FLT_MAX), 1.2345678901234567e308,
         JetValue::oleDate(2958465.0 + 86399.0 / 86400.0), cycle(QStringLiteral("äöü€ßabc"), 255), QStringLiteral("0123456789"),
         cycle(QStringLiteral("€uro "), 600)},
        {1, 128, -1, -1, -0.0001, 1e-30, 5e-324, JetValue::oleDate(-1.25), QStringLiteral("€"), QStringLiteral("Ā"),
         QStringLiteral("Ā€äöüß")},
        {0, 42.0, 1.0, -7, 0.1 + 0.2, -0.0, 1e300, JetValue::oleDate(-36522.75), QStringLiteral("\"zitiert\", Komma; Strich"),
         QStringLiteral("a\tb"), QStringLiteral("Zeile 1\r\nZeile 2\n\"Ende\"")},
        {false, 1, 2, 3, 1234.5678, 0.1, 1.0 / 3.0, JetValue::oleDate(36526.999988425923), QStringLiteral(" Leerzeichen "),
         QStringLiteral("x"), QStringLiteral("€")},
    };
    QList<WrittenTable> tables{table};
    const QString file = path(QStringLiteral("types.mdb"));
    writeDatabase(file, QString(), tables);
    verifyReaders(file, QString(), tables);
}

void TestJetReaders::decimalsAndNumbersStoredAsVariable()
{
    // Decimals of every width, and a table as SQL DDL makes them, with its
    // numbers and dates among the variable-length values.
    WrittenTable decimals{QStringLiteral("Dezimal"),
                          {JetColumn::of(QStringLiteral("ID"), JetType::Long),
                           JetColumn::decimal(QStringLiteral("Ganz"), 18, 0),
                           JetColumn::decimal(QStringLiteral("Breit"), 28, 4),
                           JetColumn::decimal(QStringLiteral("Klein"), 5, 2)},
                          {}};
    decimals.rows = {
        {1, 1, QStringLiteral("1234567890123456789012.3456"), QStringLiteral("123.45")},
        {2, nullptr, nullptr, nullptr},
        {3, -1, QStringLiteral("-0.0001"), -0.5},
        {4, QStringLiteral("999999999999999999"), QStringLiteral("-999999999999999999999999.9999"), 0},
        {5, 0, 12.5, QStringLiteral("-999.99")},
    };
    WrittenTable ddl{QStringLiteral("PerDDL"),
                     {JetColumn::of(QStringLiteral("ID"), JetType::Long).storedAsVariable(),
                      JetColumn::text(QStringLiteral("Name"), 20),
                      JetColumn::of(QStringLiteral("Menge"), JetType::Double).storedAsVariable(),
                      JetColumn::of(QStringLiteral("Betrag"), JetType::Currency).storedAsVariable(),
                      JetColumn::of(QStringLiteral("Zeit"), JetType::DateTime).storedAsVariable(),
                      JetColumn::of(QStringLiteral("Stufe"), JetType::Integer).storedAsVariable(),
                      JetColumn::of(QStringLiteral("Kennung"), JetType::Byte).storedAsVariable(),
                      JetColumn::of(QStringLiteral("Anteil"), JetType::Single).storedAsVariable(),
                      JetColumn::decimal(QStringLiteral("Satz"), 10, 3).storedAsVariable(),
                      JetColumn::of(QStringLiteral("Fest"), JetType::Long)},
                     {}};
    ddl.rows = {
        {1, QStringLiteral("eins"), 2.5, JetValue::currency(123456), QDateTime(QDate(2019, 3, 1), QTime(10, 15)), -2, 7, 0.25,
         QStringLiteral("-1234567.125"), 10},
        {2, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
        {nullptr, QStringLiteral("drei"), 1e300, JetValue::currency(-1), JetValue::oleDate(0.5), 32767, 255, -1.5, 0, nullptr},
    };
    QList<WrittenTable> tables{decimals, ddl};
    const QString file = path(QStringLiteral("decimals.mdb"));
    writeDatabase(file, QString(), tables);
    verifyReaders(file, QString(), tables);

    JetDatabaseWriter writer(path(QStringLiteral("refused.mdb")));
    JetTable table = writer.addTable(QStringLiteral("T"), {JetColumn::decimal(QStringLiteral("D"), 5, 2)});
    for (const JetValue &tooWide : {JetValue(QStringLiteral("1.234")), JetValue(QStringLiteral("1234")),
                                    JetValue(QStringLiteral("12a")), JetValue(true)}) {
        QVERIFY_THROWS_EXCEPTION(Error, table.addRow({tooWide}));
    }
    QVERIFY_THROWS_EXCEPTION(Error, writer.addTable(QStringLiteral("U"), {JetColumn::decimal(QStringLiteral("D"), 29, 0)}));
    QVERIFY_THROWS_EXCEPTION(Error, writer.addTable(QStringLiteral("V"), {JetColumn::decimal(QStringLiteral("D"), 4, 5)}));
}

void TestJetReaders::memosInlineAndInLongValuePages()
{
    const QList<JetColumn> columns{JetColumn::of(QStringLiteral("ID"), JetType::Long), JetColumn::of(QStringLiteral("Notiz"), JetType::Memo),
                                   JetColumn::of(QStringLiteral("Zweit"), JetType::Memo)};
    WrittenTable memos{QStringLiteral("Memos"), columns, {}};
    // 1022 ASCII characters are 1024 bytes compressed: the most a row holds;
    // one more goes to a long-value page. Over 1024 characters a memo is no
    // longer compressed; over 4076 bytes it takes a chain of pages.
    const QList<int> lengths{0, 1, 1022, 1023, 1024, 1025, 2040, 2041, 5000, 65535};
    int id = 0;
    for (int length : lengths)
        memos.rows.append({++id, cycle(QStringLiteral("abcdefghij"), length), nullptr});
    memos.rows.append({++id, cycle(QStringLiteral("Grüße, € und Ā "), 65535), cycle(QStringLiteral("ß"), 1000)});
    memos.rows.append({++id, nullptr, QString()});
    memos.rows.append({++id, cycle(QStringLiteral("€"), 65535), nullptr}); // 196,605 bytes of UTF-8 for mdb-export
    memos.rows.append({++id, cycle(QStringLiteral("x"), 1022), cycle(QStringLiteral("y"), 1022)});

    // In a row already full of text the same memo cannot stay in the row.
    WrittenTable wide{QStringLiteral("Voll"), {JetColumn::of(QStringLiteral("Notiz"), JetType::Memo)}, {}};
    for (int i = 0; i < 6; ++i)
        wide.columns.append(JetColumn::text(QStringLiteral("T%1").arg(i), 255));
    QList<JetValue> fullRow{cycle(QStringLiteral("m"), 1000)};
    for (int i = 0; i < 6; ++i)
        fullRow.append(cycle(QStringLiteral("€"), 255));
    wide.rows = {fullRow, fullRow};

    QList<WrittenTable> tables{memos, wide};
    const QString file = path(QStringLiteral("memos.mdb"));
    writeDatabase(file, QString(), tables);
    verifyReaders(file, QString(), tables);
}

void TestJetReaders::manyPagesOfTablesFilledAlternately()
{
    WrittenTable sales{QStringLiteral("Umsatz"),
                       {JetColumn::of(QStringLiteral("ID"), JetType::Long), JetColumn::of(QStringLiteral("Zeit"), JetType::DateTime),
                        JetColumn::of(QStringLiteral("Betrag"), JetType::Currency), JetColumn::text(QStringLiteral("Artikel"), 40),
                        JetColumn::of(QStringLiteral("Signatur"), JetType::Memo)},
                       {}};
    WrittenTable log{QStringLiteral("Log"), {JetColumn::of(QStringLiteral("ID"), JetType::Long), JetColumn::text(QStringLiteral("Ereignis"), 50)}, {}};
    for (int i = 0; i < 50000; ++i) {
        sales.rows.append({i + 1, JetValue::oleDate(42795.0 + i / 100.0), JetValue::currency(qint64(i) * 1234 - 500000),
                           QStringLiteral("Artikel Nr. %1 – Käse").arg(i),
                           i % 7 == 0 ? JetValue() : JetValue(cycle(QStringLiteral("eyJhbGciOiJFUzI1NiJ9.Zm9v-_"), 200 + i % 150))});
        if (i % 5 < 2)
            log.rows.append({int(log.rows.size()) + 1, QStringLiteral("Ereignis %1").arg(i)});
    }

    const QString file = path(QStringLiteral("pages.mdb"));
    {
        JetDatabaseWriter writer(file);
        JetTable salesTable = writer.addTable(sales.name, sales.columns);
        JetTable logTable = writer.addTable(log.name, log.columns);
        qsizetype nextLog = 0;
        for (qsizetype i = 0; i < sales.rows.size(); ++i) {
            salesTable.addRow(sales.rows[i]);
            if (i % 5 < 2)
                logTable.addRow(log.rows[nextLog++]);
        }
        writer.finish();
    }
    QVERIFY(QFileInfo(file).size() > 4 * 1024 * 1024); // well beyond what one usage-map row covers
    verifyReaders(file, QString(), {sales, log});
}

void TestJetReaders::severalTablesEmptyFixedOnlyAndWide()
{
    WrittenTable empty{QStringLiteral("Leer"), {JetColumn::of(QStringLiteral("ID"), JetType::Long), JetColumn::text(QStringLiteral("Name"), 20)}, {}};
    WrittenTable fixedOnly{QStringLiteral("NurFest"),
                           {JetColumn::of(QStringLiteral("ID"), JetType::Long), JetColumn::of(QStringLiteral("Wert"), JetType::Double),
                            JetColumn::of(QStringLiteral("Ok"), JetType::Boolean)},
                           {{1, 0.5, true}, {2, nullptr, false}, {3, -2.0, true}}};
    // 200 columns: the table definition takes two pages.
    WrittenTable wide{QStringLiteral("Breit mit Leerzeichen"), {}, {}};
    const QList<JetType> types{JetType::Long, JetType::Text, JetType::Boolean, JetType::Currency, JetType::Memo, JetType::DateTime};
    for (int i = 0; i < 200; ++i) {
        const JetType type = types[i % types.size()];
        wide.columns.append(type == JetType::Text ? JetColumn::text(QStringLiteral("Spalte_%1").arg(i), 12)
                                                  : JetColumn::of(QStringLiteral("Spalte_%1").arg(i), type));
    }
    for (int r = 0; r < 3; ++r) {
        QList<JetValue> row;
        for (int i = 0; i < 200; ++i) {
            const JetType type = types[i % types.size()];
            if ((i + r) % 11 == 0) {
                row.append(JetValue());
                continue;
            }
            switch (type) {
            case JetType::Long: row.append(i * 1000 + r); break;
            case JetType::Text: row.append(QStringLiteral("W%1/%2ä").arg(i).arg(r)); break;
            case JetType::Boolean: row.append((i + r) % 2 == 0); break;
            case JetType::Currency: row.append(JetValue::currency(i * 10001 - r)); break;
            case JetType::Memo: row.append(QStringLiteral("Memo %1").arg(i)); break;
            default: row.append(JetValue::oleDate(40000.5 + i + r)); break;
            }
        }
        wide.rows.append(row);
    }
    WrittenTable single{QStringLiteral("Eins"), {JetColumn::of(QStringLiteral("B"), JetType::Byte)}, {}};
    for (int i = 0; i < 1000; ++i) // short rows: several pages of 255 rows
        single.rows.append(QList<JetValue>{i % 256});

    QList<WrittenTable> tables{empty, fixedOnly, wide, single};
    const QString file = path(QStringLiteral("tables.mdb"));
    writeDatabase(file, QString(), tables);
    verifyReaders(file, QString(), tables);
}

void TestJetReaders::passwordsReadBack_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<double>("creationDate");
    QTest::newRow("none") << QString() << 43466.0;
    QTest::newRow("sample") << QStringLiteral("quillet") << 43466.5;
    QTest::newRow("umlauts and euro") << QStringLiteral("Grüße€") << 36526.0;
    QTest::newRow("twenty characters") << QStringLiteral("abcdefghijKLMNOPQRST") << 45000.75;
}

void TestJetReaders::passwordsReadBack()
{
    QFETCH(QString, password);
    QFETCH(double, creationDate);
    QList<WrittenTable> tables{{QStringLiteral("T"), {JetColumn::of(QStringLiteral("ID"), JetType::Long)}, {{1}}}};
    const QString file = path(QStringLiteral("password.mdb"));
    writeDatabase(file, password, tables, creationDate);

    const auto info = db::JetHeaderPage::parse(headerOf(file));
    QVERIFY(info);
    QCOMPARE(info->format(), db::JetHeaderPage::Format::Jet4);
    QCOMPARE(info->password(), password);
    QCOMPARE(info->creationDate(), creationDate);
    QCOMPARE(QString::fromUtf8(ReaderCheck::run(QStringLiteral("mdb-ver"), {file})).trimmed(), QStringLiteral("JET4"));
    verifyReaders(file, password, tables);
}

void TestJetReaders::rejectedRowsLeaveNoTrace()
{
    WrittenTable table{QStringLiteral("Kunden"),
                       {JetColumn::of(QStringLiteral("ID"), JetType::Integer), JetColumn::text(QStringLiteral("Name"), 5),
                        JetColumn::of(QStringLiteral("Notiz"), JetType::Memo)},
                       {{1, QStringLiteral("Anna"), cycle(QStringLiteral("n"), 3000)}, {3, QStringLiteral("Cleo"), nullptr}}};
    const QString file = path(QStringLiteral("rejected.mdb"));
    {
        JetDatabaseWriter writer(file);
        JetTable kunden = writer.addTable(table.name, table.columns);
        kunden.addRow(table.rows[0]);
        QVERIFY_THROWS_EXCEPTION(Error, kunden.addRow({2, QStringLiteral("Bernhard"), cycle(QStringLiteral("n"), 3000)}));
        QVERIFY_THROWS_EXCEPTION(Error, kunden.addRow({40000, QStringLiteral("Bea"), nullptr}));
        QVERIFY_THROWS_EXCEPTION(Error, kunden.addRow({2, QStringLiteral("Bea")}));
        kunden.addRow(table.rows[1]);
        QCOMPARE(kunden.rowCount(), 2u);
        writer.finish();
    }
    verifyReaders(file, QString(), {table});
}

void TestJetReaders::registerDatabase()
{
    const QString file = path(QStringLiteral("register.mdb"));
    RegisterDatabase::write(file, {.salesRows = 400, .logRows = 120, .password = QStringLiteral("quillet")});

    QCOMPARE(db::JetHeaderPage::parse(headerOf(file))->password(), QStringLiteral("quillet"));
    QList<WrittenTable> schemaOnly{{QStringLiteral("Barverkaeufe"), RegisterDatabase::shopSalesColumns(), {}},
                                   {QStringLiteral("BarverkaeufeGastro"), RegisterDatabase::gastroSalesColumns(), {}},
                                   {QStringLiteral("Protokoll"), RegisterDatabase::logColumns(), {}}};
    const QString difference = ReaderCheck::mdbtoolsSchemaDifference(file, schemaOnly);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    QCOMPARE(ReaderCheck::mdbtoolsRowCount(file, QStringLiteral("Barverkaeufe")), 400);
    QCOMPARE(ReaderCheck::mdbtoolsRowCount(file, QStringLiteral("BarverkaeufeGastro")), 400);
    QCOMPARE(ReaderCheck::mdbtoolsRowCount(file, QStringLiteral("Protokoll")), 120);

    if (!ReaderCheck::mdbReaderAvailable())
        QSKIP("mdb-reader is missing");
    const QJsonObject root = QJsonDocument::fromJson(ReaderCheck::run(QStringLiteral("node"),
                                                                      {QStringLiteral(JET_NODE_DIR "/read-mdb.mjs"), file,
                                                                       QStringLiteral("quillet")}))
                                 .object();
    const QJsonArray tables = root.value(QStringLiteral("tables")).toArray();
    QCOMPARE(tables.size(), 3);
    QCOMPARE(tables[0].toObject().value(QStringLiteral("rows")).toArray().size(), 400);
    QCOMPARE(tables[1].toObject().value(QStringLiteral("rows")).toArray().size(), 400);
    QCOMPARE(tables[2].toObject().value(QStringLiteral("rows")).toArray().size(), 120);

    for (int t = 0; t < 2; ++t) {
        const bool gastro = t == 1;
        const int shift = gastro ? 1 : 0; // Tisch comes after Kassa
        double lastTime = 0;
        int nullSignatures = 0, company2 = 0, status1 = 0;
        for (const QJsonValue &rowValue : tables[t].toObject().value(QStringLiteral("rows")).toArray()) {
            const QJsonArray row = rowValue.toArray();
            const int company = row[2].toInt();
            QVERIFY(company == 1 || company == 2);
            company2 += company == 2;
            const double time = row[4 + shift].toDouble();
            QVERIFY(time >= 42795.0 && time < 42795.0 + 731.0); // March 2017 to March 2019
            QVERIFY(time >= lastTime);
            lastTime = time;
            const int status = row[5 + shift].toInt();
            QVERIFY(status >= -1 && status <= 2);
            status1 += status == 1;
            const int payment = row[6 + shift].toInt();
            QVERIFY(payment >= 0 && payment <= 7);
            const QJsonValue jws = row[17 + shift];
            if (jws.isNull()) {
                ++nullSignatures;
            } else {
                QCOMPARE(jws.toString().count(QLatin1Char('.')), 2);
                QVERIFY(jws.toString().size() <= 400);
                QVERIFY(jws.toString().size() >= 200);
            }
        }
        QVERIFY(nullSignatures > 0);
        QVERIFY(company2 > 0 && company2 < 100);
        QVERIFY(status1 > 300);
    }
}

void TestJetReaders::makeJetDbFromJsonAndCsv()
{
    QFile csv(path(QStringLiteral("kunden.csv")));
    QVERIFY(csv.open(QIODevice::WriteOnly));
    csv.write("\xEF\xBB\xBF" // as spreadsheet programs save UTF-8
              "ID,Name,Seit,Saldo,Aktiv,Notiz\r\n"
              "3,\"Bär, \"\"der\"\"\",2020-01-01T00:00:00,1.25,true,\"zwei\nZeilen\"\n"
              "4,,,,false,\n"
              "5,\"\",1899-12-29T06:00:00,-0.0001,0,\"\"\n");
    csv.close();
    QFile json(path(QStringLiteral("kunden.json")));
    QVERIFY(json.open(QIODevice::WriteOnly));
    json.write(R"({"password": "geheim", "creationDate": "2019-01-01T00:00:00", "tables": [
        {"name": "Kunden",
         "columns": [{"name": "ID", "type": "long"}, {"name": "Name", "type": "text", "size": 50},
                     {"name": "Seit", "type": "datetime"}, {"name": "Saldo", "type": "currency"},
                     {"name": "Aktiv", "type": "boolean"}, {"name": "Notiz", "type": "memo"}],
         "rows": [[1, "Anna €", "2019-03-01T10:15:00", "12.3456", true, "x"], [2, null, null, -0.5, false, null]],
         "csv": "kunden.csv"},
        {"name": "Leer", "columns": [{"name": "Wert", "type": "double"}]}]})");
    json.close();

    const QString file = path(QStringLiteral("kunden.mdb"));
    ReaderCheck::run(QStringLiteral(MAKE_JET_DB), {json.fileName(), file});
    const QList<JetColumn> columns{JetColumn::of(QStringLiteral("ID"), JetType::Long), JetColumn::text(QStringLiteral("Name"), 50),
                                   JetColumn::of(QStringLiteral("Seit"), JetType::DateTime),
                                   JetColumn::of(QStringLiteral("Saldo"), JetType::Currency),
                                   JetColumn::of(QStringLiteral("Aktiv"), JetType::Boolean),
                                   JetColumn::of(QStringLiteral("Notiz"), JetType::Memo)};
    const QList<WrittenTable> tables{
        {QStringLiteral("Kunden"),
         columns,
         {{1, QStringLiteral("Anna €"), QDateTime(QDate(2019, 3, 1), QTime(10, 15)), JetValue::currency(123456), true, QStringLiteral("x")},
          {2, nullptr, nullptr, JetValue::currency(-5000), false, nullptr},
          {3, QStringLiteral("Bär, \"der\""), QDateTime(QDate(2020, 1, 1), QTime(0, 0)), JetValue::currency(12500), true,
           QStringLiteral("zwei\nZeilen")},
          {4, nullptr, nullptr, nullptr, false, nullptr},
          {5, QString(), JetValue::oleDate(-1.25), JetValue::currency(-1), false, QString()}}},
        {QStringLiteral("Leer"), {JetColumn::of(QStringLiteral("Wert"), JetType::Double)}, {}}};
    verifyReaders(file, QStringLiteral("geheim"), tables);
}

void TestJetReaders::makeJetDbRejectsBadInput_data()
{
    QTest::addColumn<QByteArray>("description");
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QString>("message");
    const QByteArray columns = R"("columns": [{"name": "ID", "type": "long"}, {"name": "T", "type": "text", "size": 3}])";
    QTest::newRow("not JSON") << QByteArray("{\"tables\": [") << QByteArray() << "not valid JSON";
    QTest::newRow("no tables") << QByteArray("{}") << QByteArray() << "\"tables\" must be an array";
    QTest::newRow("unknown key") << QByteArray(R"({"tables": [], "pasword": "x"})") << QByteArray() << "unknown key \"pasword\"";
    QTest::newRow("unknown type") << QByteArray(R"({"tables": [{"name": "X", "columns": [{"name": "a", "type": "int32"}]}]})")
                                  << QByteArray() << "unknown column type \"int32\"";
    QTest::newRow("text too long") << QByteArray(R"({"tables": [{"name": "X", )" + columns + R"(, "rows": [[1, "abcd"]]}]})")
                                   << QByteArray() << "row 1: Table \"X\", column \"T\": a text of 4 characters exceeds";
    QTest::newRow("row too short") << QByteArray(R"({"tables": [{"name": "X", )" + columns + R"(, "rows": [[1]]}]})")
                                   << QByteArray() << "row 1: 1 values, the table has 2 columns";
    QTest::newRow("long out of range") << QByteArray(R"({"tables": [{"name": "X", )" + columns + R"(, "rows": [[3000000000, "a"]]}]})")
                                       << QByteArray() << "out of the range";
    QTest::newRow("bad date") << QByteArray(R"({"tables": [{"name": "X", "columns": [{"name": "D", "type": "datetime"}], "rows": [["1.3.2019"]]}]})")
                              << QByteArray() << "not an ISO date-time";
    QTest::newRow("password too long") << QByteArray(R"({"password": "abcdefghijklmnopqrstu", "tables": []})") << QByteArray()
                                       << "at most 20 characters";
    QTest::newRow("missing csv") << QByteArray(R"({"tables": [{"name": "X", )" + columns + R"(, "csv": "fehlt.csv"}]})")
                                 << QByteArray() << "cannot open the CSV file";
    QTest::newRow("csv header") << QByteArray(R"({"tables": [{"name": "X", )" + columns + R"(, "csv": "bad.csv"}]})")
                                << QByteArray("ID,Text\n1,a\n") << "the header line must be \"ID,T\"";
    QTest::newRow("csv open quote") << QByteArray(R"({"tables": [{"name": "X", )" + columns + R"(, "csv": "bad.csv"}]})")
                                    << QByteArray("ID,T\n1,\"ab\n") << "line 2: a quoted field is not closed";
    QTest::newRow("csv number") << QByteArray(R"({"tables": [{"name": "X", )" + columns + R"(, "csv": "bad.csv"}]})")
                                << QByteArray("ID,T\n1,a\nzwei,b\n") << "line 3, column \"ID\": \"zwei\" is not a whole number";
}

void TestJetReaders::makeJetDbRejectsBadInput()
{
    QFETCH(QByteArray, description);
    QFETCH(QByteArray, csv);
    QFETCH(QString, message);
    QFile descriptionFile(path(QStringLiteral("bad.json")));
    QVERIFY(descriptionFile.open(QIODevice::WriteOnly));
    descriptionFile.write(description);
    descriptionFile.close();
    QFile csvFile(path(QStringLiteral("bad.csv")));
    QVERIFY(csvFile.open(QIODevice::WriteOnly));
    csvFile.write(csv);
    csvFile.close();
    // An existing database stays as it is.
    QFile existing(path(QStringLiteral("existing.mdb")));
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.write("keep me");
    existing.close();

    int exitCode = 0;
    QByteArray errors;
    ReaderCheck::run(QStringLiteral(MAKE_JET_DB), {descriptionFile.fileName(), existing.fileName()}, &exitCode, &errors);
    QCOMPARE(exitCode, 1);
    QVERIFY2(QString::fromUtf8(errors).contains(message), errors.constData());
    QVERIFY(errors.startsWith("make-jet-db: "));
    QVERIFY(existing.open(QIODevice::ReadOnly));
    QCOMPARE(existing.readAll(), QByteArray("keep me"));
    QVERIFY(!QFile::exists(existing.fileName() + QStringLiteral(".partial")));
}

QTEST_GUILESS_MAIN(TestJetReaders)
#include "tst_jetreaders.moc"
