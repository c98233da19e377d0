// Against a real SQL Server, when there is one: set DEPEXPORT_SQLSERVER_TEST
// to its server name as the window's server field would hold it
// ("kasse01\SQLEXPRESS", "10.0.0.5,1433"). The test signs on as the window
// does (integrated security: a Kerberos ticket on this platform) unless
// DEPEXPORT_ODBC_CONNECTION gives a connection text of its own, and works in
// temporary tables of tempdb only.
#include "Error.h"
#include "OleDate.h"
#include "TADOConnection.h"
#include "TADOQuery.h"

#include <QTest>

using namespace db;

namespace {

// A global temporary table: the record count runs on a second login, which
// does not see the first login's #tables.
QString table()
{
    return QStringLiteral("##DepExportBarverkaeufe%1").arg(QCoreApplication::applicationPid());
}

} // namespace

class TestSqlServerLive : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void typesOfTheRegistersColumns();
    void periodQueryWithParameters();

private:
    void run(const QString &sql);

    TADOConnection m_connection;
};

void TestSqlServerLive::initTestCase()
{
    const QString server = qEnvironmentVariable("DEPEXPORT_SQLSERVER_TEST");
    if (server.isEmpty())
        QSKIP("DEPEXPORT_SQLSERVER_TEST names no SQL Server");
    m_connection.setConnectionString(QStringLiteral("Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security "
                                                    "Info=False;Initial Catalog=tempdb;Data Source=")
                                     + server + u';');
    m_connection.setConnected(true);
    run(QString(
        "create table " + table() + " (ID_Barverkaufspositionen int not null, Tagesabrechnung datetime, Status smallint, "
        "Stufe tinyint, Artikelnummer nvarchar(20), Kurz varchar(30), Menge float, Einzelpreis money, Rabatt smallmoney, "
        "MwStSatz real, Storno bit, Anteil decimal(18,2), Neu datetime2, Tag date, Zeit time, Gross bigint, "
        "JWSSignatur nvarchar(max), Bemerkung ntext)"));
    run(QString(
        "insert into " + table() + " values (1, '2019-03-01T00:00:00', 1, 7, N'A10001', 'Melange', 1.5, 3.9, 0.5, 0.1, 1, "
        "12.34, '2019-03-31T23:59:59.123', '2019-03-31', '12:30:15', 5000000000, "
        "replicate(cast(N'Grüße€' as nvarchar(max)), 20000), N'Übergabe')"));
    run(QString("insert into " + table() + " (ID_Barverkaufspositionen, Tagesabrechnung, Status, JWSSignatur) "
                       "values (2, '2019-04-01T00:00:00', 1, N'')"));
}

void TestSqlServerLive::run(const QString &sql)
{
    TADOQuery query(&m_connection);
    query.setSql(sql);
    query.open();
}

void TestSqlServerLive::typesOfTheRegistersColumns()
{
    TADOQuery query(&m_connection);
    query.setSql(QString("select * from " + table() + " order by ID_Barverkaufspositionen"));
    query.open();
    const struct { const char *name; const char *type; int size; } expected[] = {
        {"ID_Barverkaufspositionen", "ftInteger", 0}, {"Tagesabrechnung", "ftDateTime", 0}, {"Status", "ftSmallint", 0},
        {"Stufe", "ftSmallint", 0}, {"Artikelnummer", "ftString", 20}, {"Kurz", "ftString", 30}, {"Menge", "ftFloat", 0},
        {"Einzelpreis", "ftCurrency", 0}, {"Rabatt", "ftCurrency", 0}, {"MwStSatz", "ftFloat", 0},
        {"Storno", "ftBoolean", 0}, {"Anteil", "ftBCD", 2}, {"Neu", "ftDateTime", 0}, {"Tag", "ftDate", 0},
        {"Zeit", "ftTime", 0}, {"Gross", "ftLargeint", 0}, {"JWSSignatur", "ftMemo", 0}, {"Bemerkung", "ftMemo", 0},
    };
    for (const auto &e : expected) {
        const TField &f = query.fieldByName(QLatin1String(e.name));
        QCOMPARE(fieldTypeName(f.dataType()), e.type);
        QCOMPARE(f.size(), e.size);
    }
    // SQL Server keeps the declared case of the names
    QCOMPARE(query.field(0).fieldName(), QStringLiteral("ID_Barverkaufspositionen"));
    QVERIFY(query.field(0).required());
    QCOMPARE(query.fieldByName("Einzelpreis").value().toDouble(), 3.9);
    QCOMPARE(query.fieldByName("MwStSatz").value().toDouble(), double(0.1f));
    QCOMPARE(query.fieldByName("Storno").value(), Value::fromBool(true));
    QCOMPARE(query.fieldByName("Anteil").value().toDouble(), 12.34);
    QCOMPARE(OleDate::toDateTime(query.fieldByName("Neu").value().toDouble()),
             QDateTime(QDate(2019, 3, 31), QTime(23, 59, 59, 123)));
    QCOMPARE(query.fieldByName("Gross").value().toInt(), qint64(5000000000));
    QCOMPARE(query.fieldByName("JWSSignatur").asString(), QStringLiteral("Grüße€").repeated(20000));
    QCOMPARE(query.fieldByName("Bemerkung").asString(), QStringLiteral("Übergabe"));
    query.next();
    QVERIFY(query.fieldByName("Bemerkung").isNull());
    QVERIFY(!query.fieldByName("JWSSignatur").isNull());
    QCOMPARE(query.fieldByName("JWSSignatur").asString(), QString());
}

void TestSqlServerLive::periodQueryWithParameters()
{
    TADOQuery query(&m_connection);
    query.setSql(QStringList{"select * from " + table(), "where", "Tagesabrechnung >=:pvondatum  and ",
                             "Tagesabrechnung <=:pbisdatum and", "Tagesabrechnung <>:pbisdatum2  and", "Status >= 1",
                             "", "", "order by ID_Barverkaufspositionen desc"});
    for (const char *name : {"pvondatum", "pbisdatum", "pbisdatum2"})
        query.parameters().paramByName(QLatin1String(name)).setDataType(ftDateTime);
    query.parameters().paramByName("pvondatum").setValue(Value::fromDateTime(OleDate::fromDate(QDate(2019, 3, 1))));
    query.parameters().paramByName("pbisdatum").setValue(Value::fromDouble(OleDate::fromDate(QDate(2019, 4, 1))));
    query.parameters().paramByName("pbisdatum2").setValue(Value::fromDouble(OleDate::fromDate(QDate(2019, 4, 1))));
    query.open();
    // the record count on a second login while the rows stream on the first
    QCOMPARE(query.recordCount(), qint64(1));
    QCOMPARE(query.fieldByName("ID_Barverkaufspositionen").value().toInt(), qint64(1));
    query.next();
    QVERIFY(query.eof());
}

QTEST_GUILESS_MAIN(TestSqlServerLive)
#include "tst_sqlserverlive.moc"
