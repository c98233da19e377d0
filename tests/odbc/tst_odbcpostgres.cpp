// The SQL Server provider against a real database server: no SQL Server can
// run here, so the register's queries run through the same ODBC adapter
// against PostgreSQL (psqlODBC), started by the ctest fixture. The window's
// SQLOLEDB connection string reaches the server through
// DEPEXPORT_ODBC_CONNECTION, as a site with its own connection text would.
#include "DatabaseError.h"
#include "Error.h"
#include "OdbcDatabase.h"
#include "OleDate.h"
#include "PostgresRegister.h"
#include "QueryDesign.h"
#include "RegisterDatabase.h"
#include "RegisterTestDatabase.h"
#include "Sale.h"
#include "TADOConnection.h"
#include "TADOQuery.h"

#include <QTest>

using namespace db;

namespace {

const QString catalog = QStringLiteral("depexport_provider");
const QString windowConnectionString = QStringLiteral(
    "Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;Initial Catalog=VelmarFaktura;"
    "Data Source=LOCALHOST\\SQLEXPRESS;");

// The reporting period of most tests: March 2019.
const QDate firstDay(2019, 3, 1);
const QDate lastDay(2019, 3, 31);

JetValue stamp(QDate date, QTime time = QTime(0, 0))
{
    return JetValue::oleDate(OleDate::fromDateTime(QDateTime(date, time)));
}

// 31 March 2019, 02:30: in the hour that Vienna's clocks skip (the test
// runs with TZ=Europe/Vienna). The stamp is no local time: it is read and
// bound as it stands.
double springGapDay()
{
    return OleDate::fromDate(QDate(2019, 3, 31)) + 2.5 / 24;
}

Value inSpringGap()
{
    return Value::fromDateTime(springGapDay());
}

// 100,000 characters with umlauts, the euro sign and a character outside
// the BMP whose two UTF-16 halves fall on either side of a chunk border.
QString longSignature()
{
    QString s = QStringLiteral("eyJhbGciOiJFUzI1NiJ9.");
    while (s.size() < 4094)
        s += QStringLiteral("Grüße€");
    s.truncate(4094);
    s += QString::fromUtf8("\xF0\x9F\x98\x80"); // U+1F600 at units 4094 and 4095
    while (s.size() < 100000)
        s += QStringLiteral("abcdefghijklmnopqrstuvwxyzÄÖÜ0123456789");
    s.truncate(100000);
    return s;
}

// A position of the tables here: one Melange at 3,90 with a Single tax
// rate of 0.1, at table 12 in the gastro edition.
Sale sale(int id, int receipt, int company, int cashRegister, JetValue settled, int status, int paymentType,
          JetValue certificate, JetValue authorities, int period, JetValue signature, JetValue remark)
{
    Sale s;
    s.id = id;
    s.receipt = receipt;
    s.company = company;
    s.cashRegister = cashRegister;
    s.table = "T12";
    s.settled = std::move(settled);
    s.status = status;
    s.paymentType = paymentType;
    s.article = "A10001";
    s.price = s.amount = JetValue::currency(39000);
    s.vat = 0.1f;
    s.certificate = std::move(certificate);
    s.authorities = std::move(authorities);
    s.period = period;
    s.signature = std::move(signature);
    s.remark = std::move(remark);
    return s;
}

// Rows around the edges of March 2019 and of the DEP 7 conditions.
QList<Sale> sales()
{
    const JetValue a = "CERT-A", b = "CERT-B", at1 = "AT1", at2 = "AT2";
    const JetValue none;
    return {
        sale(1, 1, 1, 1, stamp(firstDay), 1, 0, a, at1, 201903, "jws-1", none),
        sale(2, 2, 1, 1, stamp(lastDay, QTime(23, 59, 59)), 1, 1, a, at1, 201903, "jws-2", ""),
        sale(3, 3, 1, 1, stamp(lastDay.addDays(1)), 1, 0, a, at1, 201904, "jws-3", none),
        sale(4, 4, 1, 1, stamp(firstDay.addDays(-1), QTime(23, 59, 59)), 1, 0, a, at1, 201902, "jws-4", none),
        sale(5, 5, 1, 1, stamp(firstDay, QTime(10, 0)), 0, 0, a, at1, 201903, "jws-5", none),
        sale(6, 6, 1, 2, stamp(firstDay.addDays(10), QTime(12, 30)), 2, 5, b, at2, 201903, longSignature(), none),
        sale(7, 7, 1, 2, stamp(firstDay.addDays(10), QTime(12, 31)), 1, 6, b, at2, 201903, "jws-7", none),
        sale(8, 8, 2, 4, stamp(firstDay.addDays(11)), 1, 0, b, at2, 201903, "jws-8", none),
        sale(9, 9, 1, 1, stamp(firstDay.addDays(12)), 1, 0, "", at1, 201903, "jws-9", none),
        sale(10, 10, 1, 1, stamp(firstDay.addDays(12)), 1, 0, "A", at1, 201903, "jws-10", none),
        // the same receipt as row 1 in the five DEP 7 columns: one line
        sale(11, 1, 1, 1, stamp(firstDay, QTime(0, 0, 1)), 1, 2, a, at1, 201903, "jws-1", none),
        sale(12, 12, 1, 3, stamp(firstDay.addDays(20)), 1, 3, b, "AT2 \"neu\"", 201903, none, none),
        sale(13, 13, 1, 1, stamp(firstDay.addDays(20)), -1, 0, b, at2, 201903, "jws-13", none),
    };
}

struct LogEntry
{
    int id;
    JetValue stamp;
    JetValue details;
};

std::vector<LogEntry> logEntries()
{
    return {
        {1, stamp(firstDay), "Kassa 1: Anmeldung"},
        {2, stamp(lastDay, QTime(23, 59, 59)), JetValue()},
        {3, stamp(lastDay.addDays(1)), "nach dem Zeitraum"},
        {4, stamp(firstDay.addDays(3), QTime(8, 15)), QStringLiteral("Übergabe ").repeated(2000)},
        {5, JetValue::oleDate(springGapDay()), "Sommerzeit"},
    };
}

void bindPeriod(TADOQuery &query, QDate from, QDate to)
{
    TParameters &p = query.parameters();
    for (const char *name : {"pvondatum", "pbisdatum", "pbisdatum2"})
        p.paramByName(QLatin1String(name)).setDataType(ftDateTime);
    p.paramByName(QStringLiteral("pvondatum")).setValue(Value::fromDateTime(OleDate::fromDate(from)));
    p.paramByName(QStringLiteral("pbisdatum")).setValue(Value::fromDouble(OleDate::fromDate(to) + 1));
    p.paramByName(QStringLiteral("pbisdatum2")).setValue(Value::fromDouble(OleDate::fromDate(to) + 1));
}

// The DEP 7 query's constants as the window binds them, the period March
// 2019 and the payment types 0 to 5 (a seventh stays Null).
void bindDep7(TADOQuery &query)
{
    query.parameters().paramByName(QStringLiteral("pfirma")).setValue(Value::fromInt(1));
    query.parameters().paramByName(QStringLiteral("pvonkassa")).setValue(Value::fromInt(0));
    query.parameters().paramByName(QStringLiteral("pbiskassa")).setValue(Value::fromInt(999999));
    bindPeriod(query, firstDay, lastDay);
    for (int i = 1; i <= 6; ++i)
        query.parameters().paramByName(QStringLiteral("pz%1").arg(i)).setValue(Value::fromInt(i - 1));
}

// The gastronomy table as installations have it that keep the signature
// in a plain text column of 255 characters: its NULL does not convert.
QList<JetColumn> gastroColumnsWithPlainSignature()
{
    return RegisterTestDatabase::withPlainText(RegisterDatabase::gastroSalesColumns(), {QStringLiteral("JWSSignatur")});
}

QList<int> ids(TADOQuery &query, const char *column)
{
    QList<int> result;
    for (; !query.eof(); query.next())
        result << int(query.fieldByName(QLatin1String(column)).value().toInt());
    return result;
}

} // namespace

class TestOdbcPostgres : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void fieldsHaveTheAccessTypes();
    void valuesRoundTrip();
    void dep131QueriesSelectThePeriod();
    void dep7QueriesGroupAndFilter();
    void dep7GastroNullSignatureFailsAsValue();
    void logQuery();
    void manyRowsWithRecordCountAndBookmark();
    void sqlErrorCarriesTheServerText();
    void connectFailureCarriesTheDriverText();
    void lockedTableEndsWithTheCommandTimeout();

private:
    void fillDatabase();

    std::unique_ptr<TADOConnection> m_connection;
};

void TestOdbcPostgres::initTestCase()
{
    try {
        fillDatabase();
    } catch (const Error &e) {
        QFAIL(qPrintable(e.message()));
    }
    qputenv("DEPEXPORT_ODBC_CONNECTION", PostgresRegister::connectionText(catalog).toUtf8());
}

void TestOdbcPostgres::fillDatabase()
{
    PostgresRegister pg(catalog);
    pg.createTable(QStringLiteral("Barverkaeufe"), RegisterDatabase::shopSalesColumns());
    pg.createTable(QStringLiteral("BarverkaeufeGastro"), gastroColumnsWithPlainSignature());
    pg.createTable(QStringLiteral("Protokoll"), RegisterDatabase::logColumns());
    for (const Sale &s : sales()) {
        pg.insert(QStringLiteral("Barverkaeufe"), RegisterDatabase::shopSalesColumns(), s.row(false));
        Sale g = s;
        if (g.signature.kind() == JetValue::Kind::Text && g.signature.toText().size() > 255)
            g.signature = "jws-6";
        pg.insert(QStringLiteral("BarverkaeufeGastro"), gastroColumnsWithPlainSignature(), g.row(true));
    }
    for (const LogEntry &e : logEntries()) {
        pg.insert(QStringLiteral("Protokoll"), RegisterDatabase::logColumns(),
                  QList<JetValue>{e.id, e.stamp, 1, "Gruber", "Anmeldung", e.details});
    }
    // 20,000 log entries of 2018 for the walk over many rows
    pg.run(QStringLiteral(
        "insert into Protokoll select 1000 + n, timestamp '2018-01-01 07:00' + n * interval '17 minutes', 1 + n % 5, "
        "'Kellner ' || n % 7, 'Tagesabschluss', case when n % 3 = 0 then null else repeat('Beleg ' || n, 1 + n % 40) end "
        "from generate_series(0, 19999) n"));
}

void TestOdbcPostgres::init()
{
    m_connection = std::make_unique<TADOConnection>();
    m_connection->setConnectionString(windowConnectionString);
    m_connection->setConnected(true);
}

void TestOdbcPostgres::cleanup()
{
    m_connection.reset();
}

void TestOdbcPostgres::fieldsHaveTheAccessTypes()
{
    TADOQuery query(m_connection.get());
    query.setSql(QStringLiteral("select * from Barverkaeufe where ID_Barverkaufspositionen = 1"));
    query.open();
    QCOMPARE(query.fieldCount(), 19);
    const struct { const char *name; FieldType type; int size; } expected[] = {
        {"ID_Barverkaufspositionen", ftInteger, 0}, {"Tagesabrechnung", ftDateTime, 0}, {"Status", ftSmallint, 0},
        {"Artikelnummer", ftString, 20}, {"Bezeichnung", ftString, 50}, {"Menge", ftFloat, 0},
        {"Einzelpreis", ftCurrency, 0}, {"MwStSatz", ftFloat, 0}, {"Storno", ftBoolean, 0},
        {"Signaturzertifikat", ftMemo, 0}, {"JWSSignatur", ftMemo, 0}, {"Bemerkung", ftMemo, 0},
    };
    for (const auto &e : expected) {
        const TField &f = query.fieldByName(QLatin1String(e.name));
        QCOMPARE(fieldTypeName(f.dataType()), fieldTypeName(e.type));
        QCOMPARE(f.size(), e.size);
    }
    // PostgreSQL folds the unquoted names of the table to lower case
    QCOMPARE(query.field(0).fieldName(), QStringLiteral("id_barverkaufspositionen"));

    TADOQuery gastro(m_connection.get());
    gastro.setSql(QStringLiteral("select Tisch, JWSSignatur from BarverkaeufeGastro"));
    gastro.open();
    QCOMPARE(fieldTypeName(gastro.field(0).dataType()), "ftString");
    QCOMPARE(gastro.field(0).size(), 10);
    QCOMPARE(fieldTypeName(gastro.field(1).dataType()), "ftString");
    QCOMPARE(gastro.field(1).size(), 255);
}

void TestOdbcPostgres::valuesRoundTrip()
{
    TADOQuery query(m_connection.get());
    query.setSql(QStringLiteral("select * from Barverkaeufe where ID_Barverkaufspositionen in (1, 2, 6, 12) "
                                "order by ID_Barverkaufspositionen"));
    query.open();
    // row 1: the first instant of the period, Bemerkung NULL
    QCOMPARE(OleDate::toDateTime(query.fieldByName("Tagesabrechnung").value().toDouble()), QDateTime(firstDay, QTime(0, 0)));
    QCOMPARE(query.fieldByName("Einzelpreis").value().toDouble(), 3.9);
    // a Single stays the float value it holds, widened, as Access gives it
    QCOMPARE(query.fieldByName("MwStSatz").value().toDouble(), double(0.1f));
    QCOMPARE(query.fieldByName("Storno").value(), Value::fromBool(false));
    QCOMPARE(query.fieldByName("Status").value(), Value::fromInt(1));
    QVERIFY(query.fieldByName("Bemerkung").isNull());
    QCOMPARE(query.fieldByName("Bemerkung").asVariant(), Value::fromString(QString())); // a memo's Null reads as ''
    query.next();
    // row 2: a second before the end of the period; the empty remark is not NULL
    QCOMPARE(OleDate::toDateTime(query.fieldByName("Tagesabrechnung").value().toDouble()),
             QDateTime(lastDay, QTime(23, 59, 59)));
    QVERIFY(!query.fieldByName("Bemerkung").isNull());
    QCOMPARE(query.fieldByName("Bemerkung").value(), Value::fromString(QString()));
    query.next();
    // row 6: 100,000 characters read in chunks
    QCOMPARE(query.fieldByName("JWSSignatur").asString(), longSignature());
    query.next();
    // row 12: a quote in a text, a NULL signature
    QCOMPARE(query.fieldByName("Zertifizierungsstellen").asString(), QStringLiteral("AT2 \"neu\""));
    QVERIFY(query.fieldByName("JWSSignatur").isNull());
    QCOMPARE(query.fieldByName("JWSSignatur").asString(), QString());
    // a later column read before an earlier one: both right
    QCOMPARE(query.field(18).value(), Value());
    QCOMPARE(query.field(0).value(), Value::fromInt(12));
    query.next();
    QVERIFY(query.eof());
}

void TestOdbcPostgres::dep131QueriesSelectThePeriod()
{
    TADOQuery shop(m_connection.get());
    QueryDesign::setUpDep131Shop(shop);
    bindPeriod(shop, firstDay, lastDay);
    shop.open();
    // in March 2019 with Status >= 1, newest position first: not 3 (midnight
    // after the last day), 4 (before the first), 5 (Status 0), 13 (Status -1)
    QCOMPARE(ids(shop, "ID_Barverkaufspositionen"), (QList<int>{12, 11, 10, 9, 8, 7, 6, 2, 1}));

    TADOQuery gastro(m_connection.get());
    QueryDesign::setUpDep131Gastro(gastro);
    bindPeriod(gastro, firstDay, firstDay);
    gastro.open();
    // one day: its first instant and the receipt a second later
    QCOMPARE(ids(gastro, "ID_Barverkaufspositionen"), (QList<int>{11, 1}));

    // a start after the end selects nothing
    gastro.close();
    bindPeriod(gastro, lastDay, firstDay);
    gastro.open();
    QVERIFY(gastro.isActive());
    QVERIFY(gastro.isEmpty());
    QVERIFY(gastro.eof());
}

void TestOdbcPostgres::dep7QueriesGroupAndFilter()
{
    TADOQuery shop(m_connection.get());
    QueryDesign::setUpDep7Shop(shop);
    bindDep7(shop); // pz7 keeps its Null
    shop.open();
    QStringList lines;
    for (; !shop.eof(); shop.next()) {
        lines << shop.fieldByName("Signaturzertifikat").asString() + u'|' + shop.fieldByName("Zertifizierungsstellen").asString()
                + u'|' + shop.fieldByName("JWSSignatur").asString().left(10);
    }
    // payment type 6 (7), company 2 (8), certificates '' and 'A' (9, 10) are
    // left out; row 11 repeats row 1 in all five columns
    QCOMPARE(lines, (QStringList{"CERT-A|AT1|jws-1", "CERT-A|AT1|jws-2", "CERT-B|AT2|" + longSignature().left(10),
                                 "CERT-B|AT2 \"neu\"|"}));
}

void TestOdbcPostgres::dep7GastroNullSignatureFailsAsValue()
{
    TADOQuery gastro(m_connection.get());
    QueryDesign::setUpDep7Gastro(gastro);
    bindDep7(gastro);
    gastro.open();
    QStringList read;
    try {
        for (; !gastro.eof(); gastro.next())
            read << gastro.fieldByName("JWSSignatur").asVariant().toText();
        QFAIL("the NULL signature of row 12 must not convert");
    } catch (const Error &e) {
        QCOMPARE(e.message(), QStringLiteral("Could not convert variant of type (Null) into type (String)"));
    }
    QCOMPARE(read, (QStringList{"jws-1", "jws-2", "jws-6"}));
}

void TestOdbcPostgres::logQuery()
{
    TADOQuery log(m_connection.get());
    QueryDesign::setUpLog(log);
    bindPeriod(log, firstDay, lastDay);
    log.open();
    QCOMPARE(log.fieldCount(), 6);
    QCOMPARE(fieldTypeName(log.fieldByName("Details").dataType()), "ftMemo");
    QCOMPARE(fieldTypeName(log.fieldByName("Benutzer").dataType()), "ftString");
    QCOMPARE(log.fieldByName("Benutzer").size(), 50);
    QCOMPARE(log.fieldByName("ID").value(), Value::fromInt(2));
    QVERIFY(log.fieldByName("Details").isNull());
    log.next();
    QCOMPARE(log.fieldByName("ID").value(), Value::fromInt(5));
    QCOMPARE(log.fieldByName("DatumZeit").value(), inSpringGap());
    log.next();
    QCOMPARE(log.fieldByName("ID").value(), Value::fromInt(4));
    QCOMPARE(log.fieldByName("Details").asString(), QStringLiteral("Übergabe ").repeated(2000));
    log.next();
    QCOMPARE(log.fieldByName("ID").value(), Value::fromInt(1));
    log.next();
    QVERIFY(log.eof());

    // a date-time parameter in the skipped hour finds its row
    TADOQuery exact(m_connection.get());
    exact.setSql(QStringLiteral("select ID from Protokoll where DatumZeit = :p"));
    exact.parameters().paramByName("p").setDataType(ftDateTime);
    exact.parameters().paramByName("p").setValue(inSpringGap());
    exact.open();
    QCOMPARE(ids(exact, "ID"), QList<int>{5});
}

void TestOdbcPostgres::manyRowsWithRecordCountAndBookmark()
{
    TADOQuery log(m_connection.get());
    QueryDesign::setUpLog(log);
    bindPeriod(log, QDate(2018, 1, 1), QDate(2018, 12, 31));
    log.open();
    // the export engine asks for the count while the first row is current:
    // the count runs on a second login, the rows keep streaming on the first
    QCOMPARE(log.recordCount(), qint64(20000));
    auto *database = dynamic_cast<OdbcDatabase *>(&m_connection->provider());
    QVERIFY(database);
    QCOMPARE(database->connectionCount(), 2);

    int rows = 0;
    int nulls = 0;
    int expectedId = 1000 + 19999;
    QString fifth;
    TADOQuery::Bookmark mark = 0;
    for (; !log.eof(); log.next(), ++rows, --expectedId) {
        QCOMPARE(log.fieldByName("ID").value().toInt(), qint64(expectedId));
        if (log.fieldByName("Details").isNull())
            ++nulls;
        if (rows == 5) {
            fifth = log.fieldByName("Details").asString();
            mark = log.bookmark();
        }
    }
    QCOMPARE(rows, 20000);
    QCOMPARE(nulls, 6667);
    // back to the bookmark: the rows are read again from the start
    log.gotoBookmark(mark);
    QCOMPARE(log.fieldByName("ID").value().toInt(), qint64(1000 + 19999 - 5));
    QCOMPARE(log.fieldByName("Details").asString(), fifth);
    QCOMPARE(database->connectionCount(), 2);

    // a text the server cannot count by itself is counted by reading it
    TADOQuery cte(m_connection.get());
    cte.setSql(QStringLiteral("with t as (select ID from Protokoll where ID >= :first) select ID from t order by ID"));
    cte.parameters().paramByName("first").setValue(Value::fromInt(1000));
    cte.open();
    QCOMPARE(cte.recordCount(), qint64(20000));
}

void TestOdbcPostgres::sqlErrorCarriesTheServerText()
{
    TADOQuery query(m_connection.get());
    query.setSql(QStringLiteral("select * from Nichtda where x = :p"));
    try {
        query.open();
        QFAIL("a missing table must fail");
    } catch (const Error &e) {
        QVERIFY2(e.message().contains(QLatin1String("relation \"nichtda\" does not exist")), qPrintable(e.message()));
        QVERIFY2(e.message().contains(QLatin1String("SQLSTATE 42P01")), qPrintable(e.message()));
    }
    QVERIFY(!query.isActive());
    // the connection goes on working
    query.setSql(QStringLiteral("select count(*) from Barverkaeufe"));
    query.open();
    QCOMPARE(query.field(0).value().toInt(), qint64(13));
}

void TestOdbcPostgres::connectFailureCarriesTheDriverText()
{
    const QByteArray saved = qgetenv("DEPEXPORT_ODBC_CONNECTION");
    qputenv("DEPEXPORT_ODBC_CONNECTION", PostgresRegister::connectionText(QStringLiteral("gibt_es_nicht")).toUtf8());
    TADOConnection connection;
    connection.setConnectionString(windowConnectionString);
    try {
        connection.setConnected(true);
        QFAIL("a missing database must fail");
    } catch (const Error &e) {
        QVERIFY2(e.message().contains(QLatin1String("database \"gibt_es_nicht\" does not exist")), qPrintable(e.message()));
    }
    QVERIFY(!connection.connected());
    qputenv("DEPEXPORT_ODBC_CONNECTION", saved);
}

void TestOdbcPostgres::lockedTableEndsWithTheCommandTimeout()
{
    qputenv("DEPEXPORT_ODBC_COMMAND_TIMEOUT", "1");
    TADOConnection connection;
    connection.setConnectionString(windowConnectionString);
    connection.setConnected(true);
    qunsetenv("DEPEXPORT_ODBC_COMMAND_TIMEOUT");
    TADOQuery dep131(&connection);
    QueryDesign::setUpDep131Shop(dep131);
    bindPeriod(dep131, firstDay, lastDay);
    {
        // Another session keeps the table locked in an open transaction, as
        // a register's day-end does. Should the query wait regardless, the
        // server ends that session after 20 seconds and the query goes on.
        PostgresRegister other(catalog);
        other.run(QStringLiteral("set idle_in_transaction_session_timeout = 20000; begin; "
                                 "lock table Barverkaeufe in access exclusive mode"));
        try {
            dep131.open();
            QFAIL("a query blocked by a lock must end with the command timeout");
        } catch (const TimeoutError &e) {
            QVERIFY2(e.message().startsWith(QStringLiteral(
                         "Der Datenbankserver hat nicht innerhalb von 1 Sekunde geantwortet, die Abfrage wurde "
                         "abgebrochen (Wartezeit einstellbar mit DEPEXPORT_ODBC_COMMAND_TIMEOUT).\n")),
                     qPrintable(e.message()));
            // the driver's own text follows
            QVERIFY2(e.message().contains(QLatin1String("statement timeout")), qPrintable(e.message()));
        }
        QVERIFY(!dep131.isActive());
    }
    // the lock is gone with the other session: the same connection goes on
    dep131.open();
    QCOMPARE(ids(dep131, "ID_Barverkaufspositionen").size(), 9);
}

QTEST_GUILESS_MAIN(TestOdbcPostgres)
#include "tst_odbcpostgres.moc"
