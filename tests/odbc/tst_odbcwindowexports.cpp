// The main window's exports from the SQL Server variants give the same
// files as from the Access variants, when the catalog holds a copy of the
// Access database: a register database made by our Jet writer is read
// through the Access provider and copied row by row into the PostgreSQL
// test cluster through our ODBC adapter, then each export runs once on the
// .mdb (variants 0 and 1) and once on the copy (variants 2 and 3, reached
// through DEPEXPORT_ODBC_CONNECTION) and the files are compared.
//
// The data keeps to what both servers hold alike: PostgreSQL's money has
// two decimals where Jet's Currency (and SQL Server's money) has four, so
// amounts are whole cents; the copy's texts compare without regard to case
// as in Jet, and the certificates differ in letters, digits and "-" only,
// where the ICU order of PostgreSQL and Jet's order agree.
#include "BatchRun.h"
#include "Error.h"
#include "ExportRecorder.h"
#include "FormatSettings.h"
#include "PostgresRegister.h"
#include "RegisterDatabase.h"
#include "RegisterTestDatabase.h"
#include "Sale.h"
#include "JetDatabaseWriter.h"
#include "OleDate.h"
#include "TADOConnection.h"
#include "TADOQuery.h"
#include "TDateEdit.h"
#include "TDirectoryEdit.h"
#include "TRadioGroup.h"
#include "Tfrm_dep.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <cstdio>

using namespace db;

namespace {

const QString catalog = QStringLiteral("depexport_window");

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Texts of the register's receipts.
const QStringList certificates = {
    // mixed case on purpose: by bytes "MIIC..." would come before "aTrust..."
    QStringLiteral("aTrust-Kasse-0001-MIIBkTCB-PrimeSign"),
    QStringLiteral("MIICdzCCAV-0002-GlobalTrust"),
    QStringLiteral("miiDfzCCAm-0003-a-sign"),
    QStringLiteral("Zertifikat-0004-Kassa"),
};
const QStringList articles = {QStringLiteral("Melange"), QStringLiteral("Großer Brauner"),
                              QStringLiteral("Sachertorte"), QStringLiteral("Käsespätzle"),
                              QStringLiteral("Gutschein € 10"), QStringLiteral("Almdudler 0,5 l")};
const int articlePriceCents[] = {390, 420, 490, 1150, 1000, 380};
const double quantities[] = {1.0, 1.0, 2.0, 0.5, 3.0};
const float vatRates[] = {10.0f, 20.0f, 13.0f, 0.0f};

double stampOf(int i)
{
    // every 14 hours from 1 March 2017, 07:30, plus a few minutes
    return OleDate::fromDate(QDate(2017, 3, 1)) + (7.5 + 14.0 * i) / 24.0 + (i % 7) / 1440.0;
}

QString signatureOf(int receipt, bool gastro)
{
    QString jws = QStringLiteral("eyJhbGciOiJFUzI1NiJ9.")
        + QString::fromLatin1(QStringLiteral("_R1-AT1_K1_%1_0,00").arg(receipt).toUtf8().toBase64(
            QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals))
        + u'.' + QString::number(receipt * 7919, 36);
    if (!gastro && receipt % 50 == 0)
        jws += QStringLiteral(".Anhang").repeated(700); // a long value, read in chunks
    if (receipt % 31 == 0)
        jws += QStringLiteral("\"mit \\ und \""); // written as it stands
    return jws;
}

Sale saleOf(int i, bool gastro)
{
    Sale s;
    s.id = i + 1;
    s.receipt = i / 2 + 1;
    const int receipt = s.receipt;
    const int article = (i * 7) % int(articles.size());
    const double quantity = quantities[i % 5];
    const qint64 cents = qint64(std::llround(articlePriceCents[article] * quantity));
    const double settled = stampOf(i / 2);
    const QDate day = OleDate::toDate(settled);
    s.company = receipt % 10 == 9 ? 2 : 1;
    s.cashRegister = 1 + receipt % 3;
    s.table = receipt % 4 == 0 ? QStringLiteral("Bar") : QStringLiteral("T%1").arg(receipt % 12);
    s.settled = JetValue::oleDate(settled);
    s.status = receipt % 17 == 0 ? 0 : receipt % 23 == 0 ? -1 : receipt % 5 == 0 ? 2 : 1;
    s.paymentType = receipt % 8;
    s.article = QStringLiteral("A100%1").arg(article);
    s.name = articles[article];
    s.quantity = quantity;
    s.price = JetValue::currency(articlePriceCents[article] * 100);
    s.amount = JetValue::currency((i % 13 == 0 ? -cents : cents) * 100);
    s.vat = double(vatRates[article % 4]);
    s.cancelled = i % 13 == 0;
    s.period = day.year() * 100 + day.month();
    // no certificate on a few receipts, the placeholder "A" on others
    if (receipt % 19 == 0) {
        s.certificate = s.authorities = JetValue();
    } else {
        s.certificate = receipt % 29 == 0 ? QStringLiteral("A") : certificates[(receipt / 40) % certificates.size()];
        s.authorities = QStringLiteral("AT%1").arg(1 + (receipt / 40) % 3);
    }
    // the shop edition has receipts without signature; the gastro edition's
    // plain text column has none in the period, which would end its export
    s.signature = !gastro && receipt % 37 == 0 ? JetValue() : JetValue(signatureOf(receipt, gastro));
    s.remark = i % 11 == 0 ? JetValue(QStringLiteral("Übergabe an Schicht 2, Kassa geprüft. ").repeated(1 + i % 150))
                           : JetValue();
    return s;
}

void writeDatabase(const QString &path)
{
    JetDatabaseWriter writer(path, QStringLiteral("quillet"));
    JetTable shop = writer.addTable(QStringLiteral("Barverkaeufe"), RegisterDatabase::shopSalesColumns());
    JetTable gastro = writer.addTable(QStringLiteral("BarverkaeufeGastro"), RegisterDatabase::gastroSalesColumns());
    for (int i = 0; i < 1400; ++i) {
        shop.addRow(saleOf(i, false).row(false));
        gastro.addRow(saleOf(i, true).row(true));
    }
    JetTable log = writer.addTable(QStringLiteral("Protokoll"), RegisterDatabase::logColumns());
    for (int i = 0; i < 500; ++i) {
        log.addRow({qint64(i + 1), JetValue::oleDate(stampOf(i) + 0.25), 1 + i % 5,
                    i % 3 ? QStringLiteral("Kellnerin %1").arg(i % 4) : QStringLiteral("Müller"),
                    i % 2 ? QStringLiteral("Tagesabschluss") : QStringLiteral("Kassenlade geöffnet"),
                    i % 4 ? JetValue() : JetValue(QStringLiteral("Kassa %1: Beleg %2; €").arg(1 + i % 5).arg(i))});
    }
    writer.finish();
}

// Copies one table of the Access database into the catalog, value by value.
void copyTable(TADOConnection &access, PostgresRegister &pg, const QString &table, const QList<JetColumn> &columns)
{
    pg.createTable(table, columns, true);
    TADOQuery query(&access);
    query.setSql(QStringLiteral("select * from ") + table);
    query.open();
    std::vector<Value> row(std::size_t(query.fieldCount()));
    for (; !query.eof(); query.next()) {
        for (int i = 0; i < query.fieldCount(); ++i)
            row[std::size_t(i)] = query.field(i).value();
        pg.insert(table, columns, row);
    }
}

// What one export left behind: the file and the message boxes.
struct Outcome
{
    QByteArray file;
    QStringList messages;
};

} // namespace

class TestOdbcWindowExports : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void dep7FilesAreTheSame_data();
    void dep7FilesAreTheSame();
    void dep131FilesAreTheSame_data();
    void dep131FilesAreTheSame();
    void logFilesAreTheSame();
    void lockedTablesEndEveryExportWithTheTimeout();

private:
    Outcome run(int variant, QPushButton *Tfrm_dep::*button, const QString &fileName);

    QTemporaryDir m_accessFolder;
    QTemporaryDir m_serverFolder;
};

void TestOdbcWindowExports::initTestCase()
{
    FormatSettings::setCurrent(FormatSettings::fromLocale(QLocale(QStringLiteral("de_DE"))));

    try {
        writeDatabase(m_accessFolder.filePath(QStringLiteral("VelmarFaktura.mdb")));
        TADOConnection access;
        access.setConnectionString(RegisterTestDatabase::connectionString(
            m_accessFolder.filePath(QStringLiteral("VelmarFaktura.mdb")), QStringLiteral("quillet")));
        access.setConnected(true);
        PostgresRegister pg(catalog);
        copyTable(access, pg, QStringLiteral("Barverkaeufe"), RegisterDatabase::shopSalesColumns());
        copyTable(access, pg, QStringLiteral("BarverkaeufeGastro"), RegisterDatabase::gastroSalesColumns());
        copyTable(access, pg, QStringLiteral("Protokoll"), RegisterDatabase::logColumns());
    } catch (const Error &e) {
        QFAIL(qPrintable(e.message()));
    }
    qputenv("DEPEXPORT_ODBC_CONNECTION", PostgresRegister::connectionText(catalog).toUtf8());
}

Outcome TestOdbcWindowExports::run(int variant, QPushButton *Tfrm_dep::*button, const QString &fileName)
{
    const bool server = variant == 2 || variant == 3;
    const QString folder = server ? m_serverFolder.path() : m_accessFolder.path();
    QFile::remove(folder + u'/' + fileName);

    ExportRecorder recorder;
    Tfrm_dep window;
    window.rg_version->setItemIndex(variant);
    window.ed_datenbank->setText(folder);
    window.ed_passwort->setText(QStringLiteral("quillet"));
    window.ed_vondatum->setDate(QDate(2017, 3, 1));
    window.ed_bisdatum->setDate(QDate(2018, 2, 28));
    (window.*button)->click();
    // the message that names the folder names a different one on each side
    QStringList messages = recorder.texts();
    messages.replaceInStrings(folder, QStringLiteral("<Ordner>"));
    return {contents(folder + u'/' + fileName), messages};
}

void TestOdbcWindowExports::dep7FilesAreTheSame_data()
{
    QTest::addColumn<int>("accessVariant");
    QTest::addColumn<int>("serverVariant");
    QTest::newRow("shop") << 0 << 2;
    QTest::newRow("gastro") << 1 << 3;
}

void TestOdbcWindowExports::dep7FilesAreTheSame()
{
    QFETCH(int, accessVariant);
    QFETCH(int, serverVariant);
    const QString name = QStringLiteral("DEPExport01.03.2017-28.02.2018.json");
    const Outcome access = run(accessVariant, &Tfrm_dep::btn_dep7_export, name);
    const Outcome server = run(serverVariant, &Tfrm_dep::btn_dep7_export, name);
    QCOMPARE(server.messages, access.messages);
    QVERIFY2(access.file.size() > 1000, qPrintable(access.messages.join(u'\n')));
    QCOMPARE(server.file.size(), access.file.size());
    QVERIFY(server.file == access.file);
}

void TestOdbcWindowExports::dep131FilesAreTheSame_data()
{
    dep7FilesAreTheSame_data();
}

// The cells of DEP_131.csv and LOG.csv must be the same byte for byte. The
// title row names the columns as the database does: Access and SQL Server
// keep the declared case ("ID_Barverkaufspositionen"), PostgreSQL folds
// the unquoted names of its copy to lower case; that row is compared
// without regard to case.
static void compareTextFiles(const QByteArray &server, const QByteArray &access)
{
    const qsizetype serverTitleEnd = server.indexOf("\r\n");
    const qsizetype accessTitleEnd = access.indexOf("\r\n");
    QVERIFY(accessTitleEnd > 0);
    QCOMPARE(QString::fromLatin1(server.left(serverTitleEnd)).toLower(),
             QString::fromLatin1(access.left(accessTitleEnd)).toLower());
    const QByteArray serverRows = server.mid(serverTitleEnd);
    const QByteArray accessRows = access.mid(accessTitleEnd);
    QCOMPARE(serverRows.count("\r\n"), accessRows.count("\r\n"));
    QVERIFY(serverRows == accessRows);
}

void TestOdbcWindowExports::dep131FilesAreTheSame()
{
    QFETCH(int, accessVariant);
    QFETCH(int, serverVariant);
    const QString name = QStringLiteral("DEP_131.csv");
    const Outcome access = run(accessVariant, &Tfrm_dep::btn_dep131_export, name);
    const Outcome server = run(serverVariant, &Tfrm_dep::btn_dep131_export, name);
    QCOMPARE(server.messages, access.messages);
    QVERIFY2(access.file.count("\r\n") > 100, qPrintable(access.messages.join(u'\n')));
    compareTextFiles(server.file, access.file);
}

void TestOdbcWindowExports::logFilesAreTheSame()
{
    const QString name = QStringLiteral("LOG.csv");
    const Outcome access = run(0, &Tfrm_dep::btn_log_export, name);
    const Outcome server = run(2, &Tfrm_dep::btn_log_export, name);
    QCOMPARE(server.messages, access.messages);
    QVERIFY2(access.file.count("\r\n") > 100, qPrintable(access.messages.join(u'\n')));
    compareTextFiles(server.file, access.file);
}

void TestOdbcWindowExports::lockedTablesEndEveryExportWithTheTimeout()
{
    const QString timedOut = QStringLiteral("Der Datenbankserver hat nicht innerhalb von 1 Sekunde geantwortet, die "
                                            "Abfrage wurde abgebrochen (Wartezeit einstellbar mit "
                                            "DEPEXPORT_ODBC_COMMAND_TIMEOUT).\n");
    qputenv("DEPEXPORT_ODBC_COMMAND_TIMEOUT", "1");
    // Another session keeps the register's tables locked, as a register's
    // day-end may. Should an export wait regardless, the server ends that
    // session after 20 seconds and the export goes on, failing the test.
    PostgresRegister other(catalog);
    other.run(QStringLiteral("set idle_in_transaction_session_timeout = 20000; begin; lock table Barverkaeufe, "
                             "BarverkaeufeGastro, Protokoll in access exclusive mode"));

    const Outcome dep131 = run(2, &Tfrm_dep::btn_dep131_export, QStringLiteral("DEP_131.csv"));
    QCOMPARE(dep131.messages.size(), 1);
    QVERIFY2(dep131.messages[0].startsWith(QStringLiteral("SQL Error ") + timedOut), qPrintable(dep131.messages[0]));
    QVERIFY(dep131.file.isEmpty());
    const Outcome dep7 = run(3, &Tfrm_dep::btn_dep7_export, QStringLiteral("DEPExport01.03.2017-28.02.2018.json"));
    QCOMPARE(dep7.messages.size(), 1);
    QVERIFY2(dep7.messages[0].startsWith(timedOut), qPrintable(dep7.messages[0]));
    QVERIFY(dep7.file.isEmpty());

    // a scheduled run ends with the query failure's exit code
    std::FILE *stream = std::tmpfile();
    QVERIFY(stream);
    const int exitCode = BatchRun(stream).run({QStringLiteral("--variant"), QStringLiteral("3"), QStringLiteral("--folder"),
                                               m_serverFolder.path(), QStringLiteral("--from"),
                                               QStringLiteral("2017-03-01"), QStringLiteral("--export"),
                                               QStringLiteral("dep131,dep7,log")});
    qunsetenv("DEPEXPORT_ODBC_COMMAND_TIMEOUT");
    std::rewind(stream);
    QByteArray printed;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, stream)) > 0;)
        printed.append(buffer, qsizetype(n));
    std::fclose(stream);
    QCOMPARE(exitCode, 5);
    QCOMPARE(QString::fromUtf8(printed).count(timedOut), 3);
}

QTEST_MAIN(TestOdbcWindowExports)
#include "tst_odbcwindowexports.moc"
