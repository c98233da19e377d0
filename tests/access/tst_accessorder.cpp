// An ORDER BY on an Access table, which the table itself delivers: the
// rows must come exactly as SQLite's own sort puts them (a column behind a
// unary plus is sorted by SQLite, with the column's collation), with rows
// alike in their keys in the order the table holds them. Every column
// type that can be ordered is tried, with NULLs, ties, both directions and
// several keys, and the keys that are read again from the file (a text
// column with too much distinct text to rank in memory). Texts of every
// kind come whole, read in table order or sorted. Rows are read ahead on a
// thread of their own: queries of one connection open side by side, and
// one closed before its end, leave the others' rows as they are.

#include "RegisterTestDatabase.h"

#include "JetDatabaseWriter.h"
#include "TADOConnection.h"
#include "TADOQuery.h"
#include "access/JetCatalog.h"
#include "access/JetFile.h"
#include "access/JetHeaderPage.h"
#include "access/OrderedDistinctQuery.h"
#include "access/JetRowOrder.h"
#include "access/JetTableScan.h"
#include "access/JetValueReader.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace db;

namespace {

const QStringList columnNames = {QStringLiteral("Nr"),    QStringLiteral("Klein"), QStringLiteral("Betrag"),
                                 QStringLiteral("Wert"),  QStringLiteral("Zeit"),  QStringLiteral("Ja"),
                                 QStringLiteral("Name"),  QStringLiteral("Notiz"), QStringLiteral("Einfach"),
                                 QStringLiteral("Kurz")};

// A value of a small domain, often repeated, sometimes NULL.
template <typename T>
JetValue pick(QRandomGenerator &random, std::initializer_list<T> domain)
{
    if (random.bounded(8) == 0)
        return nullptr;
    return JetValue(*(domain.begin() + random.bounded(int(domain.size()))));
}

void writeTable(const QString &path, int rows)
{
    JetDatabaseWriter writer(path);
    JetTable table = writer.addTable(QStringLiteral("Reihen"), {
        JetColumn::of(QStringLiteral("ID"), JetType::Long),
        JetColumn::of(QStringLiteral("Nr"), JetType::Long),
        JetColumn::of(QStringLiteral("Klein"), JetType::Integer),
        JetColumn::of(QStringLiteral("Betrag"), JetType::Currency),
        JetColumn::of(QStringLiteral("Wert"), JetType::Double),
        JetColumn::of(QStringLiteral("Zeit"), JetType::DateTime),
        JetColumn::of(QStringLiteral("Ja"), JetType::Boolean),
        JetColumn::text(QStringLiteral("Name"), 40),
        JetColumn::of(QStringLiteral("Notiz"), JetType::Memo),
        JetColumn::of(QStringLiteral("Einfach"), JetType::Single),
        JetColumn::of(QStringLiteral("Kurz"), JetType::Byte),
    });
    QRandomGenerator random(20261208);
    const QString certificate = QStringLiteral("MIIBkTCB+wIJA").repeated(90);
    for (int id = 1; id <= rows; ++id) {
        const JetValue amount = random.bounded(8) == 0 ? JetValue(nullptr)
                                                       : JetValue::currency(qint64(random.bounded(2000)) - 1000);
        JetValue note = pick(random, {QString(), certificate + u'a', certificate + u'B', certificate + u'b',
                                      certificate + QString::fromUtf16(u"\u00E4"), QStringLiteral("kurz")});
        table.addRow({id, pick(random, {3, -7, 0, 2000000000, -2000000000}), pick(random, {5, -5, 0}), amount,
                      pick(random, {-1e300, -0.5, 0.0, -0.0, 2.5, 1e300}), pick(random, {43000.25, 43000.5, -2.75, 0.0}),
                      random.bounded(2) == 0,
                      pick(random, {QStringLiteral("Melange"), QStringLiteral("melange"), QStringLiteral("Äpfel"),
                                    QStringLiteral("apfel"), QStringLiteral("Zebra"), QString(), QStringLiteral("_x"),
                                    QString::fromUtf16(u"\U00010400"), QString::fromUtf16(u"\U00010428")}),
                      note, pick(random, {0.1f, -0.1f, 3.0f}), pick(random, {0, 255, 7})});
    }
    writer.finish();
}

// Every row of a query, each value as text with its kind.
QStringList rowsOf(TADOQuery &query, const QString &sql)
{
    query.setSql(sql);
    query.open();
    QStringList rows;
    for (; !query.eof(); query.next()) {
        QString row;
        for (int i = 0; i < query.fieldCount(); ++i) {
            const Value value = query.field(i).value();
            row += QString::number(int(value.kind())) + u':' + (value.isNull() ? QString() : value.toText()) + u'|';
        }
        rows << row;
    }
    query.close();
    return rows;
}

QList<int> ids(TADOQuery &query, const QString &sql)
{
    query.setSql(sql);
    query.open();
    QList<int> result;
    for (; !query.eof(); query.next())
        result << query.field(0).value().toInt();
    query.close();
    return result;
}

} // namespace

class AccessOrder : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void oneKeyEachTypeAndDirection_data();
    void oneKeyEachTypeAndDirection();
    void severalKeysWithFilterAndDistinct();
    void distinctOrderedByResultColumns_data();
    void distinctOrderedByResultColumns();
    void distinctQueriesRunWithoutDistinct_data();
    void distinctQueriesRunWithoutDistinct();
    void keysReadAgainFromTheFile();
    void textsComeWhole();
    void queriesSideBySideAndClosedEarly();

private:
    QTemporaryDir m_dir;
    QString m_path;
    TADOConnection m_connection;
};

void AccessOrder::initTestCase()
{
    m_path = m_dir.filePath(QStringLiteral("order.mdb"));
    writeTable(m_path, 600);
    m_connection.setConnectionString(RegisterTestDatabase::connectionString(m_path, QString()));
    m_connection.setConnected(true);
}

void AccessOrder::oneKeyEachTypeAndDirection_data()
{
    QTest::addColumn<QString>("order");
    for (const QString &column : columnNames) {
        QTest::newRow(qPrintable(column)) << column;
        QTest::newRow(qPrintable(column + QStringLiteral(" desc"))) << column + QStringLiteral(" desc");
    }
}

void AccessOrder::oneKeyEachTypeAndDirection()
{
    QFETCH(QString, order);
    TADOQuery query(&m_connection);
    const QList<int> sortedByTable = ids(query, QStringLiteral("select ID from Reihen order by ") + order);
    const QList<int> sortedBySqlite = ids(query, QStringLiteral("select ID from Reihen order by +") + order
                                                     + QStringLiteral(", ID"));
    QCOMPARE(sortedByTable.size(), 600);
    QCOMPARE(sortedByTable, sortedBySqlite);
}

void AccessOrder::severalKeysWithFilterAndDistinct()
{
    TADOQuery query(&m_connection);
    QCOMPARE(ids(query, QStringLiteral("select ID from Reihen where Nr > -7 order by Name, Zeit desc, Notiz")),
             ids(query, QStringLiteral("select ID from Reihen where Nr > -7 order by +Name, +Zeit desc, +Notiz, ID")));
    QCOMPARE(ids(query, QStringLiteral("select ID, * from Reihen order by Notiz desc, Ja, Betrag desc")),
             ids(query, QStringLiteral("select ID, * from Reihen order by +Notiz desc, +Ja, +Betrag desc, ID")));
    // DISTINCT over other columns than the order (as the receipts query).
    QCOMPARE(ids(query, QStringLiteral("select distinct Kurz, Notiz, Name from Reihen order by Notiz, Kurz")),
             ids(query, QStringLiteral("select distinct Kurz, Notiz, Name from Reihen order by +Notiz, +Kurz, +Name")));
}

// A DISTINCT query ordered by some of its result columns is run without
// its DISTINCT, its duplicates dropped run by run: the rows must be SQLite's
// own (a LIMIT after the ORDER BY leaves the DISTINCT to SQLite), the first
// of texts alike but for case kept, NULLs alike, 0 and -0 alike, duplicates
// apart from each other within a run of equal keys.
void AccessOrder::distinctOrderedByResultColumns_data()
{
    QTest::addColumn<QString>("sql");
    QTest::newRow("receipts' shape") << QStringLiteral(
        "select distinct Kurz, Notiz, Name from Reihen where Nr <> 3 order by Notiz, Kurz");
    QTest::newRow("one key, descending") << QStringLiteral("select distinct Name, Ja from Reihen order by Name desc");
    QTest::newRow("numbers") << QStringLiteral(
        "select distinct Wert, Zeit, Einfach, Betrag, Klein from Reihen order by Zeit asc, Klein");
    QTest::newRow("every column a key") << QStringLiteral(
        "select distinct Name, Klein from Reihen order by Klein desc, Name");
    QTest::newRow("alias and quoted names") << QStringLiteral(
        "select distinct Name as N, Notiz, [Kurz] from \"Reihen\" -- Kommentar\n order by \"n\" , [Kurz] ;");
}

void AccessOrder::distinctOrderedByResultColumns()
{
    QFETCH(QString, sql);
    QVERIFY(OrderedDistinctQuery::of(sql));
    TADOQuery query(&m_connection);
    const QStringList distinctBySqlite = rowsOf(query, QString(sql).remove(u';') + QStringLiteral(" limit -1"));
    QVERIFY(distinctBySqlite.size() > 1);
    QCOMPARE(rowsOf(query, sql), distinctBySqlite);
    QVERIFY(rowsOf(query, QString(sql).replace(QStringLiteral("distinct"), QString())).size() > distinctBySqlite.size());
}

// Queries whose duplicates need not come side by side keep SQLite's DISTINCT.
void AccessOrder::distinctQueriesRunWithoutDistinct_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<bool>("withoutDistinct");
    QTest::newRow("receipts") << QStringLiteral("select distinct A, B from T\r\nwhere A <> ? and\r\n"
                                                "(B=?) or\r\n(B=?)\r\n\r\norder by A,B ") << true;
    QTest::newRow("no order") << QStringLiteral("select distinct A from T") << false;
    QTest::newRow("no distinct") << QStringLiteral("select A from T order by A") << false;
    QTest::newRow("order by an expression") << QStringLiteral("select distinct A from T order by A + 1") << false;
    QTest::newRow("order by a collation") << QStringLiteral("select distinct A from T order by A collate nocase") << false;
    QTest::newRow("order by a number") << QStringLiteral("select distinct A from T order by 1") << false;
    QTest::newRow("limit") << QStringLiteral("select distinct A from T order by A limit 3") << false;
    QTest::newRow("union") << QStringLiteral("select distinct A from T union all select A from U order by A") << false;
    QTest::newRow("order of a subquery") << QStringLiteral(
        "select distinct A from (select A from T order by A)") << false;
    QTest::newRow("two statements") << QStringLiteral("select distinct A from T; select A from T order by A")
                                    << false;
    QTest::newRow("distinct later") << QStringLiteral("select A from (select distinct A from T) order by A") << false;
}

void AccessOrder::distinctQueriesRunWithoutDistinct()
{
    QFETCH(QString, sql);
    QFETCH(bool, withoutDistinct);
    const std::optional<OrderedDistinctQuery> query = OrderedDistinctQuery::of(sql);
    QCOMPARE(bool(query), withoutDistinct);
    if (query) {
        QCOMPARE(query->textWithoutDistinct().size(), sql.size());
        QVERIFY(!query->textWithoutDistinct().contains(QStringLiteral("distinct")));
    }
}

// With no room to rank texts in memory, every text key and the keys after
// it are read again for the rows the keys before leave alike.
void AccessOrder::keysReadAgainFromTheFile()
{
    JetFile file(m_path, m_path);
    const std::optional<JetHeaderPage> header = JetHeaderPage::parse(file.readStart(JetHeaderPage::decodedSize));
    QVERIFY(header);
    file.setPageSize(header->pageSize());
    const std::vector<JetTableDef> tables = JetCatalog(file).userTables();
    const JetTableDef &table = tables.at(0);
    const auto columnOf = [&table](const QString &name) {
        for (size_t i = 0; i < table.columns.size(); ++i) {
            if (table.columns[i].name == name)
                return int(i);
        }
        return -1;
    };
    JetTableScan scan(table, file);
    JetValueReader values(file);
    const std::vector<JetRowOrder::Term> terms = {
        {columnOf(QStringLiteral("Ja")), false},
        {columnOf(QStringLiteral("Notiz")), true},
        {columnOf(QStringLiteral("Nr")), false},
        {columnOf(QStringLiteral("Name")), false},
    };
    const std::vector<quint32> rows = JetRowOrder(table, file, scan, values, 0).sorted(terms);
    QList<int> sortedFromFile;
    for (const quint32 row : rows) {
        scan.seek(row);
        sortedFromFile << int(values.integer(table.columns[0], scan.row().field(table.columns[0])));
    }
    TADOQuery query(&m_connection);
    QCOMPARE(sortedFromFile, ids(query, QStringLiteral("select ID from Reihen order by +Ja, +Notiz desc, +Nr, +Name, ID")));
}

void AccessOrder::textsComeWhole()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("texts.mdb"));
    QStringList texts = {QString(), QStringLiteral("a"), QString::fromUtf16(u"vor\u0000nach", 8),
                         QString::fromUtf16(u"\u0000", 1), QString::fromUtf16(u"Gr\u00FC\u00DFe \u20AC \U0001F600")};
    for (const int length : {127, 128, 129, 4000})
        texts << QStringLiteral("x").repeated(length - 1) + u'\u00E4' << QStringLiteral("\u03A9").repeated(length);
    {
        JetDatabaseWriter writer(path);
        JetTable table = writer.addTable(QStringLiteral("Texte"), {JetColumn::of(QStringLiteral("ID"), JetType::Long),
                                                                   JetColumn::of(QStringLiteral("Notiz"), JetType::Memo)});
        for (int i = 0; i < texts.size(); ++i)
            table.addRow({i, texts[i]});
        writer.finish();
    }
    TADOConnection connection;
    connection.setConnectionString(RegisterTestDatabase::connectionString(path, QString()));
    connection.setConnected(true);
    TADOQuery query(&connection);
    for (const QString &order : {QString(), QStringLiteral(" order by ID desc")}) {
        query.setSql(QStringLiteral("select ID, Notiz from Texte") + order);
        query.open();
        int count = 0;
        for (; !query.eof(); query.next(), ++count) {
            const QString expected = texts.at(query.field(0).value().toInt());
            QCOMPARE(query.field(1).asString(), expected);
            QCOMPARE(query.field(1).isNull(), false);
        }
        QCOMPARE(count, texts.size());
        query.close();
    }
}

void AccessOrder::queriesSideBySideAndClosedEarly()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("many.mdb"));
    constexpr int rows = 5000;
    writeTable(path, rows);
    TADOConnection connection;
    connection.setConnectionString(RegisterTestDatabase::connectionString(path, QString()));
    connection.setConnected(true);
    QList<int> ascending;
    for (int id = 1; id <= rows; ++id)
        ascending << id;

    for (int closedAfter : {0, 1, 300, 2000}) {
        TADOQuery early(&connection);
        early.setSql(QStringLiteral("select ID from Reihen order by ID"));
        early.open();
        for (int i = 0; i < closedAfter; ++i)
            early.next();
        QCOMPARE(early.field(0).value().toInt(), closedAfter + 1);
        QCOMPARE(early.recordCount(), rows);
        TADOQuery whole(&connection);
        QCOMPARE(ids(whole, QStringLiteral("select ID from Reihen order by ID")), ascending);
        early.next();
        QCOMPARE(early.field(0).value().toInt(), closedAfter + 2);
        early.close();
        QCOMPARE(ids(whole, QStringLiteral("select ID from Reihen where ID > 4990 order by ID desc")),
                 (QList<int>{5000, 4999, 4998, 4997, 4996, 4995, 4994, 4993, 4992, 4991}));
    }
}

QTEST_GUILESS_MAIN(AccessOrder)
#include "tst_accessorder.moc"
