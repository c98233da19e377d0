// The Access provider as the exports use it: the queries' own texts on a
// database made by our Jet writer, through TADOConnection and TADOQuery.

#include "FormatSettings.h"
#include "JetDatabaseWriter.h"
#include "PeriodBinding.h"
#include "QueryDesign.h"
#include "RegisterTestDatabase.h"
#include "TADOConnection.h"
#include "TADOQuery.h"
#include "access/JetCollation.h"
#include "access/SqliteDatabase.h"
#include "access/SqliteStatement.h"

#include "Error.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <sqlite3.h>

using namespace db;

namespace {

QDateTime at(int y, int m, int d, int h = 0, int min = 0, int s = 0)
{
    return QDateTime(QDate(y, m, d), QTime(h, min, s));
}

Sale sale(int id, const QDateTime &settled)
{
    Sale s;
    s.id = id;
    s.settled = settled;
    return s;
}

// Binds the period of 1 to 31 March 2018 as the window does.
void bindMarch2018(TADOQuery &query)
{
    PeriodBinding::bind(query, QStringLiteral("01.03.2018"), QStringLiteral("31.03.2018"));
}

QList<qint64> column(TADOQuery &query, const QString &name)
{
    QList<qint64> values;
    for (query.first(); !query.eof(); query.next())
        values << query.fieldByName(name).value().toInt();
    return values;
}

} // namespace

class AccessQueries : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void dep131SelectsThePeriodNewestFirst();
    void fieldTypesWidthsAndTexts();
    void textsAndLongTexts();
    void recordCountAndBookmarks();
    void recordCountOfOtherTexts();
    void dep7DistinctIgnoresCase();
    void textComparisonsIgnoreCase();
    void collationOrder();
    void otherColumnTypes();
    void expressionColumns();
    void failingQueriesKeepTheQueryClosed();
    void onlyQueriesAreAllowed();
    void sqliteFailuresInGerman();

private:
    void openDep131(TADOQuery &query);

    QTemporaryDir m_dir;
    QString m_shopPath;
    TADOConnection m_connection;
    QString m_longRemark;
};

void AccessQueries::initTestCase()
{
    QVERIFY(m_dir.isValid());
    FormatSettings::setCurrent(FormatSettings::fromLocale(QLocale(QLocale::German, QLocale::Austria)));
    m_shopPath = m_dir.filePath(QStringLiteral("Vel4TidyShop.mdb"));
    for (int i = 0; i < 12000; ++i)
        m_longRemark += QChar(u'a' + i % 26);

    Sale beforeStart = sale(1, at(2018, 2, 28, 23, 59, 59));
    Sale atStart = sale(2, at(2018, 3, 1));
    atStart.name = QStringLiteral("Käsekrainer");
    atStart.vat = 0.1;
    atStart.article = QStringLiteral("");
    atStart.remark = QStringLiteral("");
    Sale statusZero = sale(3, at(2018, 3, 15, 12, 30));
    statusZero.status = 0;
    Sale lastSecond = sale(4, at(2018, 3, 31, 23, 59, 59));
    lastSecond.quantity = 1.5;
    lastSecond.price = JetValue::currency(34500);
    lastSecond.cancelled = true;
    lastSecond.name = QStringLiteral("Kaffee \u2615 gro\u00DF");
    Sale nextMidnight = sale(5, at(2018, 4, 1));
    Sale withNulls = sale(6, at(2018, 3, 10, 8));
    withNulls.status = 2;
    withNulls.article = nullptr;
    withNulls.name = nullptr;
    withNulls.quantity = nullptr;
    withNulls.vat = nullptr;
    withNulls.signature = nullptr;
    withNulls.certificate = nullptr;
    Sale longMemo = sale(7, at(2018, 3, 20, 18, 5));
    longMemo.remark = m_longRemark;
    longMemo.signature = QString(300, u'J');
    longMemo.name = QStringLiteral("\u0100pfel");
    // Written out of key order: the order must come from "order by".
    RegisterTestDatabase::writeShop(m_shopPath, QStringLiteral("quillet"),
                                  {lastSecond, atStart, longMemo, beforeStart, withNulls, statusZero, nextMidnight});
    m_connection.setConnectionString(RegisterTestDatabase::connectionString(m_shopPath, QStringLiteral("quillet")));
    m_connection.setConnected(true);
}

// The window's DEP 131 query of the shop edition, for March 2018.
void AccessQueries::openDep131(TADOQuery &query)
{
    query.setConnection(&m_connection);
    QueryDesign::setUpDep131Shop(query);
    bindMarch2018(query);
    query.open();
}

void AccessQueries::dep131SelectsThePeriodNewestFirst()
{
    TADOQuery query;
    openDep131(query);
    QVERIFY(query.isActive());
    QVERIFY(!query.isEmpty());
    // 1 is before the start, 3 has status 0, 5 is the midnight after the
    // last day; 2 starts the period, 4 is its last second.
    QCOMPARE(column(query, QStringLiteral("ID_Barverkaufspositionen")), (QList<qint64>{7, 6, 4, 2}));
}

void AccessQueries::fieldTypesWidthsAndTexts()
{
    TADOQuery query;
    openDep131(query);
    QCOMPARE(query.fieldCount(), 19);
    const QList<std::pair<QString, FieldType>> expected = {
        {QStringLiteral("ID_Barverkaufspositionen"), ftInteger}, {QStringLiteral("Barverkauf_nr"), ftInteger},
        {QStringLiteral("Firma"), ftInteger}, {QStringLiteral("Kassa"), ftInteger},
        {QStringLiteral("Tagesabrechnung"), ftDateTime}, {QStringLiteral("Status"), ftSmallint},
        {QStringLiteral("Zahlungsart"), ftSmallint}, {QStringLiteral("Artikelnummer"), ftString},
        {QStringLiteral("Bezeichnung"), ftString}, {QStringLiteral("Menge"), ftFloat},
        {QStringLiteral("Einzelpreis"), ftCurrency}, {QStringLiteral("Betrag"), ftCurrency},
        {QStringLiteral("MwStSatz"), ftFloat}, {QStringLiteral("Storno"), ftBoolean},
        {QStringLiteral("Periode_bv"), ftInteger}, {QStringLiteral("Signaturzertifikat"), ftString},
        {QStringLiteral("Zertifizierungsstellen"), ftString}, {QStringLiteral("JWSSignatur"), ftMemo},
        {QStringLiteral("Bemerkung"), ftMemo},
    };
    for (int i = 0; i < expected.size(); ++i) {
        QCOMPARE(query.field(i).fieldName(), expected[i].first);
        QCOMPARE(fieldTypeName(query.field(i).dataType()), fieldTypeName(expected[i].second));
    }
    QCOMPARE(query.fieldByName(QStringLiteral("Artikelnummer")).size(), 20);
    QCOMPARE(query.fieldByName(QStringLiteral("Artikelnummer")).displayWidth(), 20);
    QCOMPARE(query.fieldByName(QStringLiteral("Signaturzertifikat")).displayWidth(), 255);
    QCOMPARE(query.fieldByName(QStringLiteral("Menge")).precision(), 15);

    // Row 4: the last second of the period.
    query.next();
    query.next();
    QCOMPARE(query.fieldByName(QStringLiteral("ID_Barverkaufspositionen")).asString(), QStringLiteral("4"));
    QCOMPARE(query.fieldByName(QStringLiteral("Tagesabrechnung")).asString(), QStringLiteral("31.03.2018 23:59:59"));
    QCOMPARE(query.fieldByName(QStringLiteral("Menge")).asString(), QStringLiteral("1,5"));
    QCOMPARE(query.fieldByName(QStringLiteral("Einzelpreis")).asString(), QStringLiteral("3,45"));
    QCOMPARE(query.fieldByName(QStringLiteral("MwStSatz")).asString(), QStringLiteral("20"));
    QCOMPARE(query.fieldByName(QStringLiteral("Storno")).asString(), QStringLiteral("True"));
    QCOMPARE(query.fieldByName(QStringLiteral("Status")).value().toInt(), 1);

    // Row 2: midnight gives the date alone; a Single 0.1 reads as 0.1.
    query.next();
    QCOMPARE(query.fieldByName(QStringLiteral("Tagesabrechnung")).asString(), QStringLiteral("01.03.2018"));
    QCOMPARE(query.fieldByName(QStringLiteral("MwStSatz")).asString(), QStringLiteral("0,1"));
    QCOMPARE(query.fieldByName(QStringLiteral("MwStSatz")).value().toDouble(), 0.1);
    QCOMPARE(query.fieldByName(QStringLiteral("Storno")).asString(), QStringLiteral("False"));
}

void AccessQueries::textsAndLongTexts()
{
    TADOQuery query;
    openDep131(query);
    // Row 7: a memo over several long-value pages, one in a single row, a
    // text that cannot be stored compressed.
    QCOMPARE(query.fieldByName(QStringLiteral("Bemerkung")).asString(), m_longRemark);
    QCOMPARE(query.fieldByName(QStringLiteral("JWSSignatur")).asString(), QString(300, u'J'));
    QCOMPARE(query.fieldByName(QStringLiteral("Bezeichnung")).asString(), QStringLiteral("\u0100pfel"));

    // Row 6: NULLs, and the memo that is NULL gives the empty text as value.
    query.next();
    for (const char *name : {"Artikelnummer", "Bezeichnung", "Menge", "MwStSatz", "JWSSignatur", "Bemerkung"}) {
        TField &field = query.fieldByName(QString::fromLatin1(name));
        QVERIFY2(field.isNull(), name);
        QCOMPARE(field.asString(), QString());
    }
    QCOMPARE(query.fieldByName(QStringLiteral("Bemerkung")).asVariant(), Value::fromString(QString()));
    QVERIFY(query.fieldByName(QStringLiteral("Menge")).asVariant().isNull());

    query.next();
    QCOMPARE(query.fieldByName(QStringLiteral("Bezeichnung")).asString(), QStringLiteral("Kaffee \u2615 gro\u00DF"));
    query.next();
    QCOMPARE(query.fieldByName(QStringLiteral("Bezeichnung")).asString(), QStringLiteral("Käsekrainer"));
    QCOMPARE(query.fieldByName(QStringLiteral("Zertifizierungsstellen")).asString(), QStringLiteral("A-Trust"));
    // Empty texts are not NULL.
    for (const char *name : {"Artikelnummer", "Bemerkung"}) {
        QVERIFY2(!query.fieldByName(QString::fromLatin1(name)).isNull(), name);
        QCOMPARE(query.fieldByName(QString::fromLatin1(name)).value(), Value::fromString(QString()));
    }
    query.next();
    QVERIFY(query.eof());
}

void AccessQueries::recordCountAndBookmarks()
{
    TADOQuery query;
    openDep131(query);
    QCOMPARE(query.recordCount(), 4);
    query.next();
    const TADOQuery::Bookmark mark = query.bookmark();
    QCOMPARE(query.fieldByName(QStringLiteral("ID_Barverkaufspositionen")).value().toInt(), 6);
    query.next();
    query.next();
    QCOMPARE(query.fieldByName(QStringLiteral("ID_Barverkaufspositionen")).value().toInt(), 2);
    // The return reads the rows again from the file.
    query.gotoBookmark(mark);
    QCOMPARE(query.fieldByName(QStringLiteral("ID_Barverkaufspositionen")).value().toInt(), 6);
    QVERIFY(query.fieldByName(QStringLiteral("Bezeichnung")).isNull());
    query.next();
    QCOMPARE(query.fieldByName(QStringLiteral("ID_Barverkaufspositionen")).value().toInt(), 4);
    QCOMPARE(query.recordCount(), 4);
}

void AccessQueries::recordCountOfOtherTexts()
{
    TADOQuery query(&m_connection);
    auto countOf = [&](const QString &sql) {
        query.close();
        query.setSql(sql);
        query.open();
        return query.recordCount();
    };
    QCOMPARE(countOf(QStringLiteral("select * from Barverkaeufe order by Bezeichnung limit 3")), 3);
    QCOMPARE(countOf(QStringLiteral("select * from Barverkaeufe order by 1 desc -- die neuesten zuerst")), 7);
    QCOMPARE(countOf(QStringLiteral("select * from Barverkaeufe where Bezeichnung <> 'order by' order by 1;\r\n")), 6);
    QCOMPARE(countOf(QStringLiteral("select distinct Bezeichnung from (select * from Barverkaeufe order by 1 limit 4) "
                                    "order by Bezeichnung")), 3);
    QCOMPARE(countOf(QStringLiteral("select ID_Barverkaufspositionen from Barverkaeufe union select Status from "
                                    "Barverkaeufe order by 1")), 8);
}

void AccessQueries::dep7DistinctIgnoresCase()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("shop.mdb"));
    QList<Sale> sales;
    auto add = [&](int id, const JetValue &certificate, int period, int receipt, int paymentType) -> Sale & {
        Sale s = sale(id, at(2018, 3, 10 + id % 10, 9));
        s.certificate = certificate;
        s.period = period;
        s.receipt = receipt;
        s.paymentType = paymentType;
        s.signature = QStringLiteral("jws-%1").arg(receipt);
        sales << s;
        return sales.last();
    };
    add(1, QStringLiteral("A"), 1, 10, 0);
    add(2, QStringLiteral("a"), 1, 11, 0);
    add(3, QStringLiteral(""), 1, 12, 0);
    add(4, nullptr, 1, 13, 0);
    add(5, QStringLiteral("CERT-B"), 1, 1, 0);
    add(6, QStringLiteral("cert-a"), 1, 2, 5);
    add(7, QStringLiteral("Cert-A"), 1, 2, 5);  // the same as 6 but for case
    add(8, QStringLiteral("CERT-B"), 1, 4, 6);  // payment type 6: pz7 is Null
    add(9, QStringLiteral("CERT-B"), 1, 5, 1).company = 2;
    add(10, QStringLiteral("Cert-A"), 1, 3, 2);
    add(11, QStringLiteral("CERT-B"), 1, 6, 3).cashRegister = 1000000;
    RegisterTestDatabase::writeShop(path, QString(), sales);

    TADOConnection connection;
    connection.setConnectionString(RegisterTestDatabase::connectionString(path, QStringLiteral("quillet")));
    connection.setConnected(true);
    TADOQuery query(&connection);
    QueryDesign::setUpDep7Shop(query);
    bindMarch2018(query);
    query.parameters().paramByName(QStringLiteral("pfirma")).setValue(Value::fromInt(1));
    query.parameters().paramByName(QStringLiteral("pvonkassa")).setValue(Value::fromInt(0));
    query.parameters().paramByName(QStringLiteral("pbiskassa")).setValue(Value::fromInt(999999));
    for (int i = 1; i <= 6; ++i)
        query.parameters().paramByName(QStringLiteral("pz%1").arg(i)).setValue(Value::fromInt(i - 1));
    query.open();

    QStringList rows;
    for (; !query.eof(); query.next()) {
        rows << query.fieldByName(QStringLiteral("Signaturzertifikat")).asString().toUpper() + u' '
                + query.fieldByName(QStringLiteral("Barverkauf_nr")).asString() + u' '
                + query.fieldByName(QStringLiteral("JWSSignatur")).asString();
    }
    // "<> 'A'" drops "a" too; 6 and 7 are one row; certificates in Jet's
    // order, not in code order ("CERT-B" < "Cert-A" < "cert-a").
    QCOMPARE(rows, (QStringList{QStringLiteral("CERT-A 2 jws-2"), QStringLiteral("CERT-A 3 jws-3"),
                                QStringLiteral("CERT-B 1 jws-1")}));
    QCOMPARE(query.fieldByName(QStringLiteral("JWSSignatur")).dataType(), ftMemo);
    QCOMPARE(query.recordCount(), 3);
}

void AccessQueries::textComparisonsIgnoreCase()
{
    TADOQuery query(&m_connection);
    query.setSql(QStringLiteral("select ID_Barverkaufspositionen from Barverkaeufe where Bezeichnung = 'MELANGE' "
                                "order by ID_Barverkaufspositionen"));
    query.open();
    QCOMPARE(column(query, QStringLiteral("ID_Barverkaufspositionen")), (QList<qint64>{1, 3, 5}));
    query.close();

    query.setSql(QStringLiteral("select ID_Barverkaufspositionen from Barverkaeufe where Bezeichnung between "
                                "'kaffee' and 'KAFFEE \u2615 GRO\u00DF' order by 1"));
    query.open();
    QCOMPARE(column(query, QStringLiteral("ID_Barverkaufspositionen")), (QList<qint64>{4}));
    query.close();

    query.setSql(QStringLiteral("select distinct Bezeichnung from Barverkaeufe where Bezeichnung is not null "
                                "order by Bezeichnung"));
    query.open();
    QStringList names;
    for (; !query.eof(); query.next())
        names << query.field(0).asString();
    // By case-folded code point: "a" before "\u00E4", "m" before "\u0101".
    QCOMPARE(names, (QStringList{QStringLiteral("Kaffee \u2615 gro\u00DF"), QStringLiteral("Käsekrainer"),
                                 QStringLiteral("Melange"), QStringLiteral("\u0100pfel")}));
}

void AccessQueries::collationOrder()
{
    QCOMPARE(JetCollation::compare(u"Cert-A", u"cert-a"), 0);
    QCOMPARE(JetCollation::compare(u"\u00C4rger", u"\u00E4RGER"), 0);
    QVERIFY(JetCollation::compare(u"abc", u"ABCD") < 0);
    QVERIFY(JetCollation::compare(u"b", u"A") > 0);
    QVERIFY(JetCollation::compare(u"_x", u"Ax") < 0);
    QVERIFY(JetCollation::compare(u"Zebra", u"\u00C4pfel") < 0);
    // Outside the basic plane, by the whole code point.
    QCOMPARE(JetCollation::compare(u"\U00010400", u"\U00010428"), 0);
    QVERIFY(JetCollation::compare(u"\U0001F600", u"\uFFFD") > 0);
    // Long texts alike at the start (certificates): the difference after
    // the alike part still folds, also inside a surrogate pair.
    const QString start = QStringLiteral("MIIB").repeated(300);
    QCOMPARE(JetCollation::compare(start + QString::fromUtf16(u"\U00010400x"), start + QString::fromUtf16(u"\U00010428X")), 0);
    QVERIFY(JetCollation::compare(start + u'a', start + u'B') < 0);
    QVERIFY(JetCollation::compare(start, start + u'a') < 0);
}

void AccessQueries::otherColumnTypes()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("types.mdb"));
    QByteArray picture(20000, '\0');
    for (int i = 0; i < picture.size(); ++i)
        picture[i] = char(i * 7);
    {
        JetDatabaseWriter writer(path);
        JetTable table = writer.addTable(QStringLiteral("Typen"), {
            JetColumn::of(QStringLiteral("Nr"), JetType::Byte),
            JetColumn::of(QStringLiteral("Klein"), JetType::Integer),
            JetColumn::of(QStringLiteral("Gross"), JetType::Long),
            JetColumn::of(QStringLiteral("Geld"), JetType::Currency),
            JetColumn::of(QStringLiteral("Einfach"), JetType::Single),
            JetColumn::of(QStringLiteral("Doppelt"), JetType::Double),
            JetColumn::binary(QStringLiteral("Kennung"), 8),
            JetColumn::of(QStringLiteral("Bild"), JetType::Ole),
            JetColumn::of(QStringLiteral("Ja"), JetType::Boolean),
        });
        table.addRow({200, -5, -2000000000, JetValue::currency(-123456), 1.0000001, -1e300,
                      JetValue::bytes(QByteArray("\x01\x00\xFFK", 4)), JetValue::bytes(picture), true});
        table.addRow({nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr});
        table.addRow({0, 0, 0, 0, 0.0, 0.0, JetValue::bytes(QByteArray()), JetValue::bytes(QByteArray()), false});
        writer.finish();
    }
    TADOConnection connection;
    connection.setConnectionString(RegisterTestDatabase::connectionString(path, QString()));
    connection.setConnected(true);
    TADOQuery query(&connection);
    query.setSql(QStringLiteral("select * from Typen order by Nr desc"));
    query.open();
    const QList<FieldType> types = {ftWord, ftSmallint, ftInteger, ftCurrency, ftFloat, ftFloat, ftBlob, ftBlob,
                                    ftBoolean};
    for (int i = 0; i < types.size(); ++i)
        QCOMPARE(fieldTypeName(query.field(i).dataType()), fieldTypeName(types[i]));
    QCOMPARE(query.field(0).asString(), QStringLiteral("200"));
    QCOMPARE(query.field(1).asString(), QStringLiteral("-5"));
    QCOMPARE(query.field(2).asString(), QStringLiteral("-2000000000"));
    QCOMPARE(query.field(3).asString(), QStringLiteral("-12,3456"));
    QCOMPARE(query.field(4).value().toDouble(), 1.0000001);
    QCOMPARE(query.field(5).value().toDouble(), -1e300);
    QCOMPARE(query.field(6).value().bytesRef(), QByteArray("\x01\x00\xFFK", 4));
    QCOMPARE(query.field(7).value().bytesRef(), picture);
    QCOMPARE(query.field(8).value().toInt(), -1);
    // Empty binary values are not NULL.
    query.next();
    QCOMPARE(query.field(0).asString(), QStringLiteral("0"));
    QCOMPARE(query.field(6).value(), Value::fromBytes(QByteArray()));
    QCOMPARE(query.field(7).value(), Value::fromBytes(QByteArray()));
    query.next();
    for (int i = 0; i < 8; ++i)
        QVERIFY(query.field(i).isNull());
    // Jet has no NULL Boolean: the writer stores No.
    QCOMPARE(query.field(8).asString(), QStringLiteral("False"));
}

void AccessQueries::expressionColumns()
{
    TADOQuery query(&m_connection);
    query.setSql(QStringLiteral("select count(*) as n, sum(Betrag) as summe, max(Bezeichnung) as letzte "
                                "from Barverkaeufe"));
    query.open();
    QCOMPARE(query.field(0).dataType(), ftInteger);
    QCOMPARE(query.field(0).asString(), QStringLiteral("7"));
    QCOMPARE(query.field(1).dataType(), ftFloat);
    QCOMPARE(query.field(1).asString(), QStringLiteral("24,15"));
    QCOMPARE(query.field(2).dataType(), ftString);
    QCOMPARE(query.field(2).asString(), QStringLiteral("\u0100pfel"));
}

void AccessQueries::failingQueriesKeepTheQueryClosed()
{
    TADOQuery query(&m_connection);
    auto openFails = [&](const QString &sql, const QString &expected) {
        query.setSql(sql);
        try {
            query.open();
            QFAIL(qPrintable(QStringLiteral("no failure for ") + sql));
        } catch (const Error &error) {
            QVERIFY2(error.message().contains(expected), qPrintable(error.message()));
        }
        QVERIFY(!query.isActive());
    };
    openFails(QStringLiteral("select * from BarverkaeufeGastro"), QStringLiteral("BarverkaeufeGastro"));
    openFails(QStringLiteral("select * from Protokoll where DatumZeit >= :pvondatum"), QStringLiteral("Protokoll"));
    openFails(QStringLiteral("select Tisch from Barverkaeufe"), QStringLiteral("Tisch"));
    openFails(QStringLiteral("select * fron Barverkaeufe"), QStringLiteral("syntax error"));
    openFails(QStringLiteral("select 1; select 2"), QStringLiteral("Ende der SQL-Anweisung"));
    // The connection stays usable.
    query.setSql(QStringLiteral("select * from Barverkaeufe;"));
    query.open();
    QCOMPARE(query.recordCount(), 7);
}

void AccessQueries::onlyQueriesAreAllowed()
{
    TADOQuery query(&m_connection);
    for (const QString &sql : {QStringLiteral("delete from Barverkaeufe"),
                               QStringLiteral("attach database '/tmp/x.db' as x"),
                               QStringLiteral("pragma temp_store_directory = '/tmp'"),
                               QStringLiteral("create table t(a)")}) {
        query.setSql(sql);
        QVERIFY_THROWS_EXCEPTION(Error, query.open());
        QVERIFY(!query.isActive());
    }
    query.setSql(QStringLiteral("select count(*) from Barverkaeufe"));
    query.open();
    QCOMPARE(query.field(0).value().toInt(), 7);
}

// SQLite's own failures (a value too big, no memory left) reach the user
// in German, never as SQLite's English text.
void AccessQueries::sqliteFailuresInGerman()
{
    SqliteDatabase database;
    database.allowOnlyQueries();
    const auto failureOf = [&database](const char *sql) {
        try {
            SqliteStatement statement(database.handle(), QString::fromLatin1(sql));
            while (statement.step()) {
            }
        } catch (const Error &failure) {
            return failure.message();
        }
        return QStringLiteral("<no failure>");
    };
    QCOMPARE(failureOf("select zeroblob(2000000000)"), QStringLiteral("Ein Wert der Abfrage ist zu groß."));

    const sqlite3_int64 limit = sqlite3_hard_heap_limit64(-1);
    sqlite3_hard_heap_limit64(sqlite3_memory_used() + 256 * 1024);
    const QString noMemory = failureOf("with recursive c(x) as (select 1 union all select x + 1 from c where x < 1000000) "
                                       "select group_concat(x) from c");
    sqlite3_hard_heap_limit64(limit);
    QCOMPARE(noMemory, QStringLiteral("Für die Abfrage ist nicht genügend Arbeitsspeicher vorhanden."));
    // the provider's own texts stay
    QCOMPARE(failureOf("select * from Nirgends"), QStringLiteral("Die Tabelle 'Nirgends' wurde nicht gefunden."));
}

QTEST_GUILESS_MAIN(AccessQueries)
#include "tst_accessqueries.moc"
