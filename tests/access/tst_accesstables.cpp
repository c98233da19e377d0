// Tables as other programs than our register make them, read through the
// Access provider: Decimal columns with every digit, numbers and dates kept
// among the variable-length values (as SQL DDL creates them), names SQLite
// keeps for itself, encoded pages, a table whose definition cannot be read;
// and the provider's messages for a missing table or column.

#include "RegisterTestDatabase.h"
#include "TestFiles.h"

#include "Error.h"
#include "FieldType.h"
#include "FormatSettings.h"
#include "JetDatabaseWriter.h"
#include "TADOConnection.h"
#include "TADOQuery.h"
#include "access/JetCatalog.h"
#include "access/JetFile.h"
#include "access/JetHeaderPage.h"
#include "access/JetTableModule.h"
#include "access/ReadAheadCursor.h"
#include "access/SqliteDatabase.h"
#include "access/SqliteStatement.h"

#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QtEndian>

#include <cstdio>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <unistd.h>

using namespace db;

namespace {

constexpr int pageSize = 4096;
const QString unknownFormat = QStringLiteral("Nicht erkanntes Datenbankformat '%1'.");

QString failureOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const Error &error) {
        return error.message();
    }
    return QString();
}

// The texts of every field of every row, "|" between fields.
QStringList rowsOf(TADOConnection &connection, const QString &sql)
{
    TADOQuery query(&connection);
    query.setSql(sql);
    query.open();
    QStringList rows;
    for (; !query.eof(); query.next()) {
        QStringList fields;
        for (int i = 0; i < query.fieldCount(); ++i)
            fields << (query.field(i).isNull() ? QStringLiteral("NULL") : query.field(i).asString());
        rows << fields.join(u'|');
    }
    return rows;
}

// The definition pages of the user tables, in the order they were added.
QList<int> definitionPages(const QByteArray &file)
{
    QList<int> pages;
    for (int page = 3; page < file.size() / pageSize; ++page) {
        if (file[page * pageSize] == 0x02)
            pages << page;
    }
    return pages;
}

// Everything written to the process's standard error while `action` runs.
QByteArray standardErrorOf(const std::function<void()> &action)
{
    QTemporaryFile capture;
    if (!capture.open())
        return "no temporary file";
    std::fflush(stderr);
    const int saved = ::dup(2);
    ::dup2(capture.handle(), 2);
    action();
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    capture.seek(0);
    return capture.readAll();
}

// Barverkaeufe with the numbers 1 and 2, Kaputt (to be damaged) with 3.
void writeGoodAndBadTable(const QString &file)
{
    JetDatabaseWriter writer(file);
    JetTable good = writer.addTable(QStringLiteral("Barverkaeufe"), {JetColumn::of(QStringLiteral("Nr"), JetType::Long)});
    good.addRow({1});
    good.addRow({2});
    JetTable bad = writer.addTable(QStringLiteral("Kaputt"), {JetColumn::of(QStringLiteral("Nr"), JetType::Long)});
    bad.addRow({3});
    writer.finish();
}

} // namespace

class AccessTables : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void decimalsKeepEveryDigit();
    void numbersStoredAsVariableLengthValues();
    void namesSqliteKeepsForItself();
    void encodedPagesWithAndWithoutPassword_data();
    void encodedPagesWithAndWithoutPassword();
    void unreadableTableFailsOnlyItsQueries();
    void damagedTableFailsOnlyItsQueries();
    void otherExceptionsBecomeMessages();
    void missingTableOrColumnInGerman();

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    void connect(TADOConnection &connection, const QString &file, const QString &password = QString());

    QTemporaryDir m_dir;
};

void AccessTables::initTestCase()
{
    QVERIFY(m_dir.isValid());
    FormatSettings::setCurrent(FormatSettings::fromLocale(QLocale(QLocale::German, QLocale::Austria)));
}

void AccessTables::connect(TADOConnection &connection, const QString &file, const QString &password)
{
    connection.setConnectionString(RegisterTestDatabase::connectionString(file, password));
    connection.setConnected(true);
}

void AccessTables::decimalsKeepEveryDigit()
{
    const QString file = path(QStringLiteral("decimals.mdb"));
    {
        JetDatabaseWriter writer(file);
        JetTable table = writer.addTable(QStringLiteral("Dezimal"), {
            JetColumn::of(QStringLiteral("Nr"), JetType::Long),
            JetColumn::decimal(QStringLiteral("Ganz"), 18, 0),
            JetColumn::decimal(QStringLiteral("Breit"), 28, 4),
            JetColumn::decimal(QStringLiteral("Betrag"), 19, 4),
            JetColumn::decimal(QStringLiteral("Fein"), 12, 6),
        });
        table.addRow({1, 1, QStringLiteral("1234567890123456789012.3456"), QStringLiteral("123456789012345.6789"),
                      QStringLiteral("0.000001")});
        table.addRow({2, QStringLiteral("-999999999999999999"), QStringLiteral("-0.5"), QStringLiteral("-12.3"), 0});
        table.addRow({3, 0, 100, QStringLiteral("0.0001"), QStringLiteral("-123456.123456")});
        table.addRow({4, nullptr, nullptr, nullptr, nullptr});
        writer.finish();
    }
    TADOConnection connection;
    connect(connection, file);
    TADOQuery query(&connection);
    query.setSql(QStringLiteral("select * from Dezimal order by Nr"));
    query.open();
    // A BCD field holds up to 15 whole digits and 4 decimals; wider
    // decimals are formatted BCD fields.
    const QList<FieldType> types = {ftInteger, ftFMTBcd, ftFMTBcd, ftBCD, ftFMTBcd};
    for (int i = 0; i < types.size(); ++i)
        QCOMPARE(fieldTypeName(query.field(i).dataType()), fieldTypeName(types[i]));
    QCOMPARE(query.field(1).precision(), 18);
    QCOMPARE(query.field(2).size(), 4);
    query.close();

    QCOMPARE(rowsOf(connection, QStringLiteral("select * from Dezimal order by Nr")),
             (QStringList{QStringLiteral("1|1|1234567890123456789012,3456|123456789012345,6789|0,000001"),
                          QStringLiteral("2|-999999999999999999|-0,5|-12,3|0"),
                          QStringLiteral("3|0|100|0,0001|-123456,123456"),
                          QStringLiteral("4|NULL|NULL|NULL|NULL")}));
    // Decimals compare and sort as numbers.
    QCOMPARE(rowsOf(connection, QStringLiteral("select Nr from Dezimal where Breit > 50 order by Betrag")),
             (QStringList{QStringLiteral("3"), QStringLiteral("1")}));
    QCOMPARE(rowsOf(connection, QStringLiteral("select Nr from Dezimal where Ganz = 1")), QStringList{QStringLiteral("1")});
}

void AccessTables::numbersStoredAsVariableLengthValues()
{
    const QString file = path(QStringLiteral("ddl.mdb"));
    {
        JetDatabaseWriter writer(file);
        JetTable ddl = writer.addTable(QStringLiteral("Protokoll"), {
            JetColumn::of(QStringLiteral("ID"), JetType::Long).storedAsVariable(),
            JetColumn::of(QStringLiteral("DatumZeit"), JetType::DateTime).storedAsVariable(),
            JetColumn::text(QStringLiteral("Ereignis"), 50),
            JetColumn::of(QStringLiteral("Betrag"), JetType::Currency).storedAsVariable(),
            JetColumn::of(QStringLiteral("Menge"), JetType::Double).storedAsVariable(),
            JetColumn::of(QStringLiteral("Stufe"), JetType::Integer).storedAsVariable(),
            JetColumn::of(QStringLiteral("Kasse"), JetType::Byte).storedAsVariable(),
            JetColumn::decimal(QStringLiteral("Satz"), 8, 2).storedAsVariable(),
            JetColumn::of(QStringLiteral("Storno"), JetType::Boolean),
        });
        ddl.addRow({1, QDateTime(QDate(2019, 3, 1), QTime(10, 15)), QStringLiteral("Anmeldung"), JetValue::currency(-123450),
                    2.5, -7, 3, QStringLiteral("20.5"), true});
        ddl.addRow({2, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, false});
        writer.finish();
    }
    TADOConnection connection;
    connect(connection, file);
    QCOMPARE(rowsOf(connection, QStringLiteral("select * from Protokoll order by ID")),
             (QStringList{QStringLiteral("1|01.03.2019 10:15:00|Anmeldung|-12,345|2,5|-7|3|20,5|True"),
                          QStringLiteral("2|NULL|NULL|NULL|NULL|NULL|NULL|NULL|False")}));
    QCOMPARE(rowsOf(connection, QStringLiteral("select ID from Protokoll where DatumZeit >= 43525 and Betrag < 0")),
             QStringList{QStringLiteral("1")});
}

void AccessTables::namesSqliteKeepsForItself()
{
    const QString file = path(QStringLiteral("names.mdb"));
    {
        JetDatabaseWriter writer(file);
        JetTable reserved = writer.addTable(QStringLiteral("sqlite_Kasse"), {JetColumn::of(QStringLiteral("Nr"), JetType::Long)});
        reserved.addRow({7});
        JetTable other = writer.addTable(QStringLiteral("SQLite_stat1"), {JetColumn::text(QStringLiteral("Name"), 10)});
        other.addRow({QStringLiteral("x")});
        JetTable plain = writer.addTable(QStringLiteral("Barverkaeufe"), {JetColumn::of(QStringLiteral("Nr"), JetType::Long)});
        plain.addRow({1});
        writer.finish();
    }
    TADOConnection connection;
    connect(connection, file);
    QCOMPARE(rowsOf(connection, QStringLiteral("select * from [sqlite_Kasse]")), QStringList{QStringLiteral("7")});
    QCOMPARE(rowsOf(connection, QStringLiteral("select Nr * 2 from SQLITE_KASSE where Nr > 1")), QStringList{QStringLiteral("14")});
    QCOMPARE(rowsOf(connection, QStringLiteral("select Name from sqlite_stat1")), QStringList{QStringLiteral("x")});
    QCOMPARE(rowsOf(connection, QStringLiteral("select k.Nr, b.Nr from sqlite_Kasse k, Barverkaeufe b")),
             QStringList{QStringLiteral("7|1")});
}

void AccessTables::encodedPagesWithAndWithoutPassword_data()
{
    QTest::addColumn<QString>("password");
    QTest::newRow("no password") << QString();
    QTest::newRow("password") << QStringLiteral("quillet");
}

void AccessTables::encodedPagesWithAndWithoutPassword()
{
    // Our writer's file, encoded afterwards as Access's "Encode database"
    // does: a database key in the header, every further page RC4-encoded.
    QFETCH(QString, password);
    const QString file = path(QStringLiteral("encoded.mdb"));
    QList<Sale> sales;
    for (int id = 1; id <= 300; ++id) {
        Sale sale;
        sale.id = id;
        sale.settled = QDateTime(QDate(2019, 3, 1), QTime(10, 0)).addSecs(id * 60);
        sale.remark = QString(id * 3, u'x');
        sales << sale;
    }
    RegisterTestDatabase::writeShop(file, password, sales);
    QByteArray bytes = TestFiles::read(file);
    const quint32 key = 0x5A3C96E1;
    JetHeaderPage::scramble(bytes.data(), JetHeaderPage::Format::Jet4);
    qToLittleEndian<quint32>(key, bytes.data() + 0x3E);
    JetHeaderPage::scramble(bytes.data(), JetHeaderPage::Format::Jet4);
    for (quint32 page = 1; page < quint32(bytes.size() / pageSize); ++page)
        JetHeaderPage::decodePage(key, page, bytes.data() + page * pageSize, pageSize);
    TestFiles::write(file, bytes);
    QCOMPARE(JetHeaderPage::parse(bytes)->databaseKey(), key);

    TADOConnection connection;
    connect(connection, file, password);
    const QStringList rows = rowsOf(connection, QStringLiteral("select ID_Barverkaufspositionen, length(Bemerkung) "
                                                               "from Barverkaeufe order by 1"));
    QCOMPARE(rows.size(), 300);
    QCOMPARE(rows.first(), QStringLiteral("1|3"));
    QCOMPARE(rows.last(), QStringLiteral("300|900"));
    if (!password.isEmpty()) {
        TADOConnection wrong;
        QCOMPARE(failureOf([&] { connect(wrong, file, QStringLiteral("falsch")); }), QStringLiteral("Kein gültiges Kennwort."));
    }
}

void AccessTables::unreadableTableFailsOnlyItsQueries()
{
    const QString file = path(QStringLiteral("unreadable.mdb"));
    writeGoodAndBadTable(file);
    QByteArray bytes = TestFiles::read(file);
    const QList<int> definitions = definitionPages(bytes);
    QCOMPARE(definitions.size(), 2);
    const QList<QByteArray> damages = {
        // The usage map's row on a page that has no such row.
        [&] {
            QByteArray damaged = bytes;
            qToLittleEndian<quint32>(quint32(1) << 8 | 200, damaged.data() + definitions[1] * pageSize + 55);
            return damaged;
        }(),
        // More columns than the definition holds.
        [&] {
            QByteArray damaged = bytes;
            qToLittleEndian<quint16>(4000, damaged.data() + definitions[1] * pageSize + 45);
            return damaged;
        }(),
    };
    for (const QByteArray &damaged : damages) {
        TestFiles::write(file, damaged);
        // Nothing of the damage reaches standard error.
        TADOConnection connection;
        const QByteArray libraryText = standardErrorOf([&] { connect(connection, file); });
        QCOMPARE(libraryText, QByteArray());
        QCOMPARE(rowsOf(connection, QStringLiteral("select Nr from Barverkaeufe order by Nr")),
                 (QStringList{QStringLiteral("1"), QStringLiteral("2")}));
        QCOMPARE(failureOf([&] { rowsOf(connection, QStringLiteral("select * from Kaputt")); }), unknownFormat.arg(file));
        QCOMPARE(failureOf([&] { rowsOf(connection, QStringLiteral("select Nr from [kaputt] where Nr > 1")); }),
                 unknownFormat.arg(file));
        QCOMPARE(failureOf([&] { rowsOf(connection, QStringLiteral("select count(*) from Barverkaeufe, Kaputt")); }),
                 unknownFormat.arg(file));
    }
}

void AccessTables::damagedTableFailsOnlyItsQueries()
{
    const QString file = path(QStringLiteral("damaged.mdb"));
    writeGoodAndBadTable(file);
    // Kaputt's data page records a row less than it holds.
    QByteArray bytes = TestFiles::read(file);
    const int kaputt = definitionPages(bytes).at(1);
    int page = 1;
    while (page * pageSize < bytes.size()
           && (bytes[page * pageSize] != 1 || qFromLittleEndian<quint32>(bytes.constData() + page * pageSize + 4) != quint32(kaputt)))
        ++page;
    QVERIFY(page * pageSize < bytes.size());
    QCOMPARE(qFromLittleEndian<quint16>(bytes.constData() + page * pageSize + 12), quint16(1));
    qToLittleEndian<quint16>(0, bytes.data() + page * pageSize + 12);
    TestFiles::write(file, bytes);

    TADOConnection connection;
    connect(connection, file);
    QCOMPARE(rowsOf(connection, QStringLiteral("select Nr from Barverkaeufe order by Nr")),
             (QStringList{QStringLiteral("1"), QStringLiteral("2")}));
    const QString damaged = QStringLiteral("Die Tabelle 'Kaputt' der Datenbank '%1' ist beschädigt: auf ihrer Datenseite %2 "
                                           "stimmt der freie Platz nicht mit den Datensätzen überein.").arg(file).arg(page);
    QCOMPARE(failureOf([&] { rowsOf(connection, QStringLiteral("select * from Kaputt")); }), damaged);
    QCOMPARE(failureOf([&] { rowsOf(connection, QStringLiteral("select Nr from Kaputt order by Nr desc")); }), damaged);
    QCOMPARE(failureOf([&] { rowsOf(connection, QStringLiteral("select count(*) from Barverkaeufe, Kaputt")); }), damaged);
    QCOMPARE(rowsOf(connection, QStringLiteral("select count(*) from Barverkaeufe")), QStringList{QStringLiteral("2")});
}

namespace {

// Rows 1, 2, then a failure that is no Error: what no reader of ours
// throws, and what a thread or SQLite's C frames must not let pass.
class FailingCursor : public Cursor
{
public:
    explicit FailingCursor(std::function<void()> fail) : m_fail(std::move(fail)) {}
    const std::vector<FieldDef> &fields() const override { return m_fields; }
    bool fetch() override
    {
        if (++m_row > 2)
            m_fail();
        return true;
    }
    Value value(int) override { return Value::fromInt(m_row); }

private:
    std::function<void()> m_fail;
    std::vector<FieldDef> m_fields{FieldDef()};
    int m_row = 0;
};

} // namespace

void AccessTables::otherExceptionsBecomeMessages()
{
    // On the thread that reads ahead: the rows before, then the query's
    // message.
    const std::vector<std::function<void()>> failures = {
        [] { throw std::runtime_error("runtime"); },
        [] { throw std::out_of_range("range"); },
        [] { throw 42; },
    };
    for (const auto &fail : failures) {
        ReadAheadCursor cursor(std::make_unique<FailingCursor>(fail), std::make_shared<std::mutex>());
        QVERIFY(cursor.fetch());
        QCOMPARE(cursor.value(0).toInt(), 1);
        QVERIFY(cursor.fetch());
        QCOMPARE(failureOf([&] { cursor.fetch(); }), QStringLiteral("Die Datensätze der Abfrage konnten nicht gelesen werden."));
    }

    // Below SQLite: a table definition that no longer fits the table SQLite
    // knows (columns gone) makes the standard library throw out_of_range;
    // the query fails with the table's damage message.
    const QString file = path(QStringLiteral("module.mdb"));
    {
        JetDatabaseWriter writer(file);
        JetTable table = writer.addTable(QStringLiteral("Zahlen"), {JetColumn::of(QStringLiteral("Nr"), JetType::Long)});
        table.addRow({1});
        writer.finish();
    }
    JetFile jet(file, file);
    jet.setPageSize(pageSize);
    std::vector<JetTableDef> tables = JetCatalog(jet).userTables();
    QCOMPARE(tables.size(), size_t(1));
    SqliteDatabase sqlite;
    JetTableModule::registerWith(sqlite.handle(), jet, tables);
    JetTableModule::createTable(sqlite, jet, tables, 0);
    tables[0].columns.clear();
    const QString damaged =
        QStringLiteral("Die Tabelle 'Zahlen' der Datenbank '%1' ist beschädigt: sie kann nicht gelesen werden.").arg(file);
    for (const QString &sql : {QStringLiteral("select Nr from Zahlen"), QStringLiteral("select Nr from Zahlen order by Nr")}) {
        QCOMPARE(failureOf([&] {
                     SqliteStatement statement(sqlite.handle(), sql);
                     while (statement.step()) {
                     }
                 }),
                 damaged);
    }
}

void AccessTables::missingTableOrColumnInGerman()
{
    const QString file = path(QStringLiteral("shop.mdb"));
    RegisterTestDatabase::writeShop(file, QString(), {});
    TADOConnection connection;
    connect(connection, file);
    QCOMPARE(failureOf([&] { rowsOf(connection, QStringLiteral("select * from BarverkaeufeGastro")); }),
             QStringLiteral("Die Tabelle 'BarverkaeufeGastro' wurde nicht gefunden."));
    QCOMPARE(failureOf([&] { rowsOf(connection, QStringLiteral("select Tisch from Barverkaeufe")); }),
             QStringLiteral("Die Spalte 'Tisch' wurde nicht gefunden."));
    QCOMPARE(failureOf([&] { rowsOf(connection, QStringLiteral("select * from Barverkaeufe order by b.Kassa")); }),
             QStringLiteral("Die Spalte 'b.Kassa' wurde nicht gefunden."));
}

QTEST_GUILESS_MAIN(AccessTables)
#include "tst_accesstables.moc"
