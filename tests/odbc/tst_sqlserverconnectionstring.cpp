// The pieces of the SQL Server provider that need no server: the SQLOLEDB
// to ODBC translation, the choice of driver, the column types and the
// parameter bindings.
#include "ConnectionString.h"
#include "CountingQuery.h"
#include "Error.h"
#include "OdbcColumn.h"
#include "OdbcParameter.h"
#include "SqlServerConnectionString.h"
#include "SqlServerDriver.h"
#include "SqlServerSettings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sqlext.h>

using namespace db;

namespace {

// The connection string the main window builds for the SQL Server variants.
QString windowConnectionString(const QString &server)
{
    return QStringLiteral("Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;"
                          "Initial Catalog=VelmarFaktura;Data Source=")
        + server + u';';
}

const SqlServerDriver freeTds(QStringLiteral("FreeTDS"), SqlServerDriver::FreeTds);
const SqlServerDriver microsoft18(QStringLiteral("ODBC Driver 18 for SQL Server"), SqlServerDriver::Microsoft, 18);
const SqlServerDriver microsoft17(QStringLiteral("ODBC Driver 17 for SQL Server"), SqlServerDriver::Microsoft, 17);

QString translate(const QString &server, const SqlServerDriver &driver)
{
    return SqlServerConnectionString::toOdbc(ConnectionString::parse(windowConnectionString(server)), driver);
}

OdbcColumnDescription description(SQLSMALLINT sqlType, SQLULEN size, SQLSMALLINT digits, const char *typeName,
                                  SQLSMALLINT nullable = SQL_NULLABLE)
{
    OdbcColumnDescription d;
    d.name = QStringLiteral("Spalte");
    d.sqlType = sqlType;
    d.columnSize = size;
    d.decimalDigits = digits;
    d.nullable = nullable;
    d.typeName = QLatin1String(typeName);
    return d;
}

} // namespace

class TestSqlServerConnectionString : public QObject
{
    Q_OBJECT

private slots:
    void defaultServerForEachDriver();
    void dataSourceForms_data();
    void dataSourceForms();
    void serverTextWithBlanksStaysAsItStands();
    void portAndInstance();
    void sqlLoginAndQuoting();
    void connectTimeout();
    void timeoutsFromTheEnvironment();
    void driverChoice();
    void namedDriver();
    void columnTypes_data();
    void columnTypes();
    void parameterBindings();
    void countingText();
};

void TestSqlServerConnectionString::defaultServerForEachDriver()
{
    QCOMPARE(translate(QStringLiteral("LOCALHOST\\SQLEXPRESS"), freeTds),
             QStringLiteral("Driver={FreeTDS};Server=LOCALHOST\\SQLEXPRESS;Database=VelmarFaktura;"
                            "Trusted_Connection=Yes;TDS_Version=7.4;ClientCharset=UTF-8;"));
    QCOMPARE(translate(QStringLiteral("LOCALHOST\\SQLEXPRESS"), microsoft18),
             QStringLiteral("Driver={ODBC Driver 18 for SQL Server};Server=LOCALHOST\\SQLEXPRESS;"
                            "Database=VelmarFaktura;Trusted_Connection=Yes;Encrypt=Optional;"));
    // driver 17 does not encrypt unless told, like SQLOLEDB
    QCOMPARE(translate(QStringLiteral("LOCALHOST\\SQLEXPRESS"), microsoft17),
             QStringLiteral("Driver={ODBC Driver 17 for SQL Server};Server=LOCALHOST\\SQLEXPRESS;"
                            "Database=VelmarFaktura;Trusted_Connection=Yes;"));
}

void TestSqlServerConnectionString::dataSourceForms_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("instance");
    QTest::addColumn<QString>("port");

    QTest::newRow("host") << "kasse01" << "kasse01" << "" << "";
    QTest::newRow("named instance") << "KASSE01\\VELMAR" << "KASSE01" << "VELMAR" << "";
    QTest::newRow("port") << "10.0.0.5,1433" << "10.0.0.5" << "" << "1433";
    QTest::newRow("tcp prefix") << "tcp:kasse01,1500" << "kasse01" << "" << "1500";
    QTest::newRow("instance and port") << "kasse01\\VELMAR,1500" << "kasse01" << "VELMAR" << "1500";
    QTest::newRow("(local)") << "(local)\\SQLEXPRESS" << "localhost" << "SQLEXPRESS" << "";
    QTest::newRow("dot") << ".\\SQLEXPRESS" << "localhost" << "SQLEXPRESS" << "";
    QTest::newRow("empty") << "" << "localhost" << "" << "";
    QTest::newRow("port not a number") << "kasse01,abc" << "kasse01,abc" << "" << "";
    QTest::newRow("blanks") << " kasse 01 \\SQLEXPRESS " << " kasse 01 " << "SQLEXPRESS " << "";
}

void TestSqlServerConnectionString::dataSourceForms()
{
    QFETCH(QString, text);
    QFETCH(QString, host);
    QFETCH(QString, instance);
    QFETCH(QString, port);
    const SqlServerConnectionString::DataSource source = SqlServerConnectionString::parseDataSource(text);
    QCOMPARE(source.host, host);
    QCOMPARE(source.instance, instance);
    QCOMPARE(source.port, port);
}

void TestSqlServerConnectionString::serverTextWithBlanksStaysAsItStands()
{
    // The window puts the server field's text into the string untrimmed;
    // the driver gets it the same way, in braces so that it keeps its blanks.
    const QString odbc = translate(QStringLiteral(" LOCALHOST\\SQLEXPRESS "), freeTds);
    QVERIFY2(odbc.contains(QLatin1String(";Server={ LOCALHOST\\SQLEXPRESS };")), qPrintable(odbc));
    const QString inner = translate(QStringLiteral("KASSE 01"), microsoft18);
    QVERIFY2(inner.contains(QLatin1String(";Server=KASSE 01;")), qPrintable(inner));
}

void TestSqlServerConnectionString::portAndInstance()
{
    QCOMPARE(translate(QStringLiteral("kasse01,1500"), freeTds),
             QStringLiteral("Driver={FreeTDS};Server=kasse01;Port=1500;Database=VelmarFaktura;"
                            "Trusted_Connection=Yes;TDS_Version=7.4;ClientCharset=UTF-8;"));
    // a port wins over the instance: no browser lookup
    QVERIFY(translate(QStringLiteral("kasse01\\VELMAR,1500"), freeTds).contains(QLatin1String(";Server=kasse01;Port=1500;")));
    QVERIFY(translate(QStringLiteral("tcp:kasse01\\VELMAR,1500"), microsoft18)
                .contains(QLatin1String(";Server=kasse01\\VELMAR,1500;")));
    QVERIFY(translate(QStringLiteral("(local)"), microsoft18).contains(QLatin1String(";Server=localhost;")));
}

void TestSqlServerConnectionString::sqlLoginAndQuoting()
{
    const ConnectionString login = ConnectionString::parse(QStringLiteral(
        "Provider=SQLOLEDB.1;Persist Security Info=False;User ID=kasse;Password=\"ge;heim}\";"
        "Initial Catalog=Velmar Faktura;Data Source=kasse01"));
    QCOMPARE(SqlServerConnectionString::toOdbc(login, microsoft17),
             QStringLiteral("Driver={ODBC Driver 17 for SQL Server};Server=kasse01;Database=Velmar Faktura;"
                            "UID=kasse;PWD={ge;heim}}};"));
    QCOMPARE(SqlServerConnectionString::quoted(QStringLiteral("a=b")), QStringLiteral("{a=b}"));
    QCOMPARE(SqlServerConnectionString::quoted(QStringLiteral("plain")), QStringLiteral("plain"));
    QCOMPARE(SqlServerConnectionString::quoted(QString()), QString());
}

void TestSqlServerConnectionString::connectTimeout()
{
    QCOMPARE(SqlServerConnectionString::connectTimeout(ConnectionString::parse(windowConnectionString("x"))),
             std::nullopt);
    QCOMPARE(SqlServerConnectionString::connectTimeout(ConnectionString::parse("Provider=SQLOLEDB.1;Connect Timeout=5")),
             std::optional<int>(5));
    // 0 would wait for ever: not taken
    QCOMPARE(SqlServerConnectionString::connectTimeout(ConnectionString::parse("Provider=SQLOLEDB.1;Connect Timeout=0")),
             std::nullopt);
}

void TestSqlServerConnectionString::timeoutsFromTheEnvironment()
{
    qunsetenv("DEPEXPORT_ODBC_LOGIN_TIMEOUT");
    qunsetenv("DEPEXPORT_ODBC_COMMAND_TIMEOUT");
    // ADO's command timeout; the login timeout comes from the string or its default
    QCOMPARE(SqlServerSettings::fromEnvironment().commandTimeoutSeconds, 30);
    QCOMPARE(SqlServerSettings::fromEnvironment().loginTimeoutSeconds, 0);
    const struct { const char *text; int command; int login; } cases[] = {
        {"5", 5, 5}, {" 120 ", 120, 120}, {"0", 0, 0}, {"-3", 30, 0}, {"viel", 30, 0}, {"", 30, 0},
    };
    for (const auto &c : cases) {
        qputenv("DEPEXPORT_ODBC_COMMAND_TIMEOUT", c.text);
        qputenv("DEPEXPORT_ODBC_LOGIN_TIMEOUT", c.text);
        const SqlServerSettings settings = SqlServerSettings::fromEnvironment();
        QCOMPARE(settings.commandTimeoutSeconds, c.command);
        QCOMPARE(settings.loginTimeoutSeconds, c.login);
    }
    qunsetenv("DEPEXPORT_ODBC_LOGIN_TIMEOUT");
    qunsetenv("DEPEXPORT_ODBC_COMMAND_TIMEOUT");
}

void TestSqlServerConnectionString::driverChoice()
{
    const QStringList installed{QStringLiteral("PostgreSQL Unicode"), QStringLiteral("FreeTDS"),
                                QStringLiteral("ODBC Driver 17 for SQL Server"),
                                QStringLiteral("ODBC Driver 18 for SQL Server"), QStringLiteral("MDBTools")};
    SqlServerDriver chosen = SqlServerDriver::choose(installed, {});
    QCOMPARE(chosen.name(), QStringLiteral("ODBC Driver 18 for SQL Server"));
    QCOMPARE(chosen.kind(), SqlServerDriver::Microsoft);
    QCOMPARE(chosen.microsoftVersion(), 18);

    chosen = SqlServerDriver::choose({QStringLiteral("PostgreSQL Unicode"), QStringLiteral("FreeTDS")}, {});
    QCOMPARE(chosen.name(), QStringLiteral("FreeTDS"));
    QCOMPARE(chosen.kind(), SqlServerDriver::FreeTds);

    // FreeTDS installed without an odbcinst.ini entry: its library
    QTemporaryDir dir;
    const QString library = dir.filePath(QStringLiteral("libtdsodbc.so"));
    QFile file(library);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    chosen = SqlServerDriver::choose({QStringLiteral("PostgreSQL Unicode")},
                                     {dir.filePath(QStringLiteral("missing/libtdsodbc.so")), library});
    QCOMPARE(chosen.name(), library);
    QCOMPARE(chosen.kind(), SqlServerDriver::FreeTds);

    try {
        SqlServerDriver::choose({QStringLiteral("PostgreSQL Unicode")}, {dir.filePath(QStringLiteral("missing.so"))});
        QFAIL("no driver must be an error");
    } catch (const Error &e) {
        QVERIFY2(e.message().startsWith(QStringLiteral("Kein ODBC-Treiber für SQL Server gefunden")),
                 qPrintable(e.message()));
    }
}

void TestSqlServerConnectionString::namedDriver()
{
    QCOMPARE(SqlServerDriver::named(QStringLiteral("/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so")).kind(),
             SqlServerDriver::FreeTds);
    const SqlServerDriver path = SqlServerDriver::named(QStringLiteral("/opt/microsoft/msodbcsql18/lib64/libmsodbcsql-18.3.so.2.1"));
    QCOMPARE(path.kind(), SqlServerDriver::Microsoft);
    QCOMPARE(path.microsoftVersion(), 18);
    QCOMPARE(SqlServerDriver::named(QStringLiteral("ODBC Driver 17 for SQL Server")).microsoftVersion(), 17);
    QCOMPARE(SqlServerConnectionString::toOdbc(ConnectionString::parse(windowConnectionString("h")),
                                               SqlServerDriver::named("/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so"))
                 .left(55),
             QStringLiteral("Driver={/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so};S"));
}

void TestSqlServerConnectionString::columnTypes_data()
{
    QTest::addColumn<int>("sqlType");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("digits");
    QTest::addColumn<QString>("typeName");
    QTest::addColumn<int>("fieldType");
    QTest::addColumn<int>("fieldSize");

    QTest::newRow("nvarchar(50)") << int(SQL_WVARCHAR) << 50 << 0 << "nvarchar" << int(ftString) << 50;
    QTest::newRow("varchar(8000)") << int(SQL_VARCHAR) << 8000 << 0 << "varchar" << int(ftString) << 8000;
    QTest::newRow("nvarchar(max), Microsoft") << int(SQL_WVARCHAR) << 0 << 0 << "nvarchar" << int(ftMemo) << 0;
    QTest::newRow("varchar(max), FreeTDS") << int(SQL_VARCHAR) << 0x7fffffff << 0 << "varchar" << int(ftMemo) << 0;
    QTest::newRow("ntext") << int(SQL_WLONGVARCHAR) << 1073741823 << 0 << "ntext" << int(ftMemo) << 0;
    QTest::newRow("text") << int(SQL_LONGVARCHAR) << 8190 << 0 << "text" << int(ftMemo) << 0;
    QTest::newRow("int") << int(SQL_INTEGER) << 10 << 0 << "int" << int(ftInteger) << 0;
    QTest::newRow("smallint") << int(SQL_SMALLINT) << 5 << 0 << "smallint" << int(ftSmallint) << 0;
    QTest::newRow("tinyint") << int(SQL_TINYINT) << 3 << 0 << "tinyint" << int(ftSmallint) << 0;
    QTest::newRow("bigint") << int(SQL_BIGINT) << 19 << 0 << "bigint" << int(ftLargeint) << 0;
    QTest::newRow("bit") << int(SQL_BIT) << 1 << 0 << "bit" << int(ftBoolean) << 0;
    QTest::newRow("float") << int(SQL_FLOAT) << 53 << 0 << "float" << int(ftFloat) << 0;
    QTest::newRow("real") << int(SQL_REAL) << 24 << 0 << "real" << int(ftFloat) << 0;
    QTest::newRow("money, SQL Server") << int(SQL_DECIMAL) << 19 << 4 << "money" << int(ftCurrency) << 0;
    QTest::newRow("smallmoney") << int(SQL_DECIMAL) << 10 << 4 << "smallmoney" << int(ftCurrency) << 0;
    QTest::newRow("money, PostgreSQL") << int(SQL_FLOAT) << 17 << 0 << "money" << int(ftCurrency) << 0;
    QTest::newRow("decimal(18,2)") << int(SQL_DECIMAL) << 18 << 2 << "decimal" << int(ftBCD) << 2;
    QTest::newRow("datetime") << int(SQL_TYPE_TIMESTAMP) << 23 << 3 << "datetime" << int(ftDateTime) << 0;
    QTest::newRow("datetime2") << int(SQL_TYPE_TIMESTAMP) << 27 << 7 << "datetime2" << int(ftDateTime) << 0;
    QTest::newRow("date") << int(SQL_TYPE_DATE) << 10 << 0 << "date" << int(ftDate) << 0;
    QTest::newRow("time") << -154 << 16 << 7 << "time" << int(ftTime) << 0;
    QTest::newRow("varbinary(max)") << int(SQL_VARBINARY) << 0 << 0 << "varbinary" << int(ftBlob) << 0;
}

void TestSqlServerConnectionString::columnTypes()
{
    QFETCH(int, sqlType);
    QFETCH(int, size);
    QFETCH(int, digits);
    QFETCH(QString, typeName);
    QFETCH(int, fieldType);
    QFETCH(int, fieldSize);
    const OdbcColumn column = OdbcColumn::fromDescription(
        description(SQLSMALLINT(sqlType), SQLULEN(size), SQLSMALLINT(digits), typeName.toLatin1().constData()));
    QCOMPARE(fieldTypeName(column.def.type), fieldTypeName(FieldType(fieldType)));
    QCOMPARE(column.def.size, fieldSize);
    QCOMPARE(column.def.name, QStringLiteral("Spalte"));
    if (column.def.type == ftFloat || column.def.type == ftCurrency)
        QCOMPARE(column.def.precision, 15); // the float field default, whatever the column's width
}

void TestSqlServerConnectionString::parameterBindings()
{
    // the end of the period: a day number declared as date-time
    OdbcParameter end({ftDateTime, Value::fromDouble(43526.0 + 0.75)});
    QCOMPARE(end.cType(), SQLSMALLINT(SQL_C_TYPE_TIMESTAMP));
    QCOMPARE(end.sqlType(), SQLSMALLINT(SQL_TYPE_TIMESTAMP));
    QCOMPARE(end.timestamp().year, SQLSMALLINT(2019));
    QCOMPARE(end.timestamp().month, SQLUSMALLINT(3));
    QCOMPARE(end.timestamp().day, SQLUSMALLINT(2));
    QCOMPARE(end.timestamp().hour, SQLUSMALLINT(18));
    QCOMPARE(end.timestamp().minute, SQLUSMALLINT(0));

    OdbcParameter start({ftDateTime, Value::fromDateTime(43525.0)});
    QCOMPARE(start.timestamp().day, SQLUSMALLINT(1));
    QCOMPARE(start.timestamp().hour, SQLUSMALLINT(0));

    // pz7 of the DEP 7 shop query is never given a value
    OdbcParameter unset({ftInteger, Value()});
    QCOMPARE(unset.indicator(), SQLLEN(SQL_NULL_DATA));
    QCOMPARE(unset.sqlType(), SQLSMALLINT(SQL_INTEGER));
    OdbcParameter unsetDate({ftDateTime, Value()});
    QCOMPARE(unsetDate.sqlType(), SQLSMALLINT(SQL_TYPE_TIMESTAMP));

    QCOMPARE(OdbcParameter({ftInteger, Value::fromInt(999999)}).cType(), SQLSMALLINT(SQL_C_SLONG));
    QCOMPARE(OdbcParameter({ftLargeint, Value::fromInt(qint64(1) << 40)}).cType(), SQLSMALLINT(SQL_C_SBIGINT));

    OdbcParameter text({ftString, Value::fromString(QStringLiteral("Grüß Gott €"))});
    QCOMPARE(text.cType(), SQLSMALLINT(SQL_C_WCHAR));
    QCOMPARE(text.sqlType(), SQLSMALLINT(SQL_WVARCHAR));
    QCOMPARE(text.indicator(), SQLLEN(11 * sizeof(SQLWCHAR)));
    QCOMPARE(OdbcParameter({ftMemo, Value::fromString(QString(5000, u'x'))}).sqlType(), SQLSMALLINT(SQL_WLONGVARCHAR));
    QCOMPARE(OdbcParameter({ftString, Value::fromString(QString())}).indicator(), SQLLEN(0));
}

void TestSqlServerConnectionString::countingText()
{
    const QString dep131 = QStringList{"select * from Barverkaeufe", "where", "Tagesabrechnung >=?  and ",
                                       "Tagesabrechnung <=? and", "Tagesabrechnung <>?  and", "Status >= 1", "", "",
                                       "order by ID_Barverkaufspositionen desc"}
                               .join(QStringLiteral("\r\n"));
    QCOMPARE(CountingQuery::countText(dep131).value_or(QString()),
             QStringLiteral("select count(*) from (select * from Barverkaeufe\r\nwhere\r\nTagesabrechnung >=?  and "
                            "\r\nTagesabrechnung <=? and\r\nTagesabrechnung <>?  and\r\nStatus >= 1\r\n) counted_rows"));
    // the DEP 7 text: distinct stays, the order goes
    QCOMPARE(CountingQuery::countText(QStringLiteral("select distinct a,b\r\nfrom t\r\nwhere x <> '' and\r\n(\r\n"
                                                     "(z=?)\r\n)\r\n\r\norder by a,b "))
                 .value_or(QString()),
             QStringLiteral("select count(*) from (select distinct a,b\r\nfrom t\r\nwhere x <> '' and\r\n(\r\n(z=?)"
                            "\r\n)\r\n) counted_rows"));

    const auto kept = [](const char *sql) {
        return CountingQuery::countText(QLatin1String(sql)) == QStringLiteral("select count(*) from (%1\r\n) counted_rows").arg(QLatin1String(sql));
    };
    QVERIFY(kept("select a from t where b = 'order by c'"));                   // in a literal
    QVERIFY(kept("select a from (select a from t order by a offset 0 rows) x")); // not at the top
    QVERIFY(kept("select a from t order by abs(a - ?)"));                       // a marker: the arguments must match
    QVERIFY(kept("select a from t order by a offset 5 rows fetch next 5 rows only"));
    QVERIFY(kept("select a from t -- order by a"));

    QCOMPARE(CountingQuery::countText(QStringLiteral("with x as (select 1 a) select a from x")), std::nullopt);
    QCOMPARE(CountingQuery::countText(QStringLiteral("select 1; select 2")), std::nullopt);
    QCOMPARE(CountingQuery::countText(QStringLiteral("update t set a = 1")), std::nullopt);
    QCOMPARE(CountingQuery::countText(QStringLiteral(" /* Zahl */ SELECT a FROM t ORDER BY a;")).value_or(QString()),
             QStringLiteral("select count(*) from (/* Zahl */ SELECT a FROM t\r\n) counted_rows"));
}

QTEST_APPLESS_MAIN(TestSqlServerConnectionString)
#include "tst_sqlserverconnectionstring.moc"
