// The DEP 7 export through the real window and its button, on register
// databases written by our Jet writer and read through the Access provider.

#include "Error.h"
#include "FormatSettings.h"
#include "IsolatedSettings.h"
#include "MessageRecorder.h"
#include "RegisterTestDatabase.h"
#include "SalesTestDatabase.h"
#include "TDateEdit.h"
#include "TDirectoryEdit.h"
#include "TRadioGroup.h"
#include "Tfrm_dep.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

const QString fileName = QStringLiteral("DEPExport01.03.2018-01.03.2019.json");
const QDateTime inPeriod(QDate(2018, 10, 15), QTime(12, 30));

// The example of the file's layout: two groups, three receipts.
const QByteArray exampleFile = "{ \"Belege-Gruppe\": [\r\n"
                                 "     {\r\n"
                                 "      \"Signaturzertifikat\":\"CERT-A\",\r\n"
                                 "      \"Zertifizierungsstellen\":[\"CA-1\"],\r\n"
                                 "      \"Belege-kompakt\":[\r\n"
                                 "                       \"jws-1\",\r\n"
                                 "                       \"jws-2\"\r\n"
                                 "                       ]\r\n"
                                 "      },\r\n"
                                 "     {\r\n"
                                 "      \"Signaturzertifikat\":\"CERT-B\",\r\n"
                                 "      \"Zertifizierungsstellen\":[\"CA-2\"],\r\n"
                                 "      \"Belege-kompakt\":[\r\n"
                                 "                       \"jws-3\"\r\n"
                                 "                       ]\r\n"
                                 "      }\r\n"
                                 "                   ]\r\n"
                                 "}\r\n";

Sale sale(int receipt, JetValue certificate, JetValue authorities, JetValue signature, int period = 1)
{
    Sale s;
    s.id = receipt;
    s.receipt = receipt;
    s.settled = inPeriod;
    s.period = period;
    s.certificate = std::move(certificate);
    s.authorities = std::move(authorities);
    s.signature = std::move(signature);
    return s;
}

QString databaseFile(int variant)
{
    return variant == 4 ? QStringLiteral("Vel4TidyShop.mdb")
         : variant == 5 ? QStringLiteral("Vel4TidyGastro.mdb")
                        : QStringLiteral("VelmarFaktura.mdb");
}

bool isGastro(int variant)
{
    return variant % 2 == 1;
}

// The receipt texts of the file, in file order.
QStringList receipts(const QByteArray &file)
{
    QStringList result;
    for (const QByteArray &line : file.split('\n')) {
        if (line.startsWith(QByteArray(23, ' ') + '"'))
            result << QString::fromLatin1(line.mid(24, line.indexOf('"', 24) - 24));
    }
    return result;
}

} // namespace

// The window on a database of its own, the period 01.03.2018 to 01.03.2019.
class Dep7Run
{
public:
    void prepare(int variant, const QList<Sale> &sales)
    {
        const bool gastro = isGastro(variant);
        database.write(databaseFile(variant), gastro ? QList<Sale>() : sales, gastro ? sales : QList<Sale>());
        window.show();
        window.rg_version->setItemIndex(variant);
        window.ed_datenbank->setText(database.folder());
        window.ed_vondatum->setDate(QDate(2018, 3, 1));
        window.ed_bisdatum->setDate(QDate(2019, 3, 1));
    }
    void press()
    {
        messages.clear();
        QTest::mouseClick(window.btn_dep7_export, Qt::LeftButton);
    }
    QByteArray file(const QString &name = fileName) const { return database.read(name); }
    db::TADOQuery &query()
    {
        return isGastro(window.rg_version->itemIndex()) ? window.qry_tagesabrechnung_details_dep_gastro
                                                         : window.qry_tagesabrechnung_details_dep_shop;
    }
    // The boxes of the export itself. Its receipts are made up, so the
    // check after it always asks about the file; that has tests of its own.
    QStringList exportMessages() const
    {
        QStringList texts;
        for (const MessageBoxRequest &box : messages.boxes()) {
            if (box.kind != MessageBoxKind::Question)
                texts << box.text;
        }
        return texts;
    }
    // The message names the file written and the folder as typed.
    QString doneMessage(const QString &name = fileName) const
    {
        return QStringLiteral("Exportdatei %1 befindet sich im Ordner %2").arg(name, window.ed_datenbank->text());
    }

    SalesTestDatabase database;
    Tfrm_dep window;
    MessageRecorder messages;
};

class Dep7ExportTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_settings.clear(); }

    void initTestCase()
    {
        FormatSettings::setCurrent(FormatSettings::fromLocale(QLocale(QStringLiteral("de_DE"))));
    }

    void workedExample_data()
    {
        QTest::addColumn<int>("variant");
        QTest::newRow("VEL4SHOP ACCESS") << 0;
        QTest::newRow("VEL4GASTRO ACCESS") << 1;
        QTest::newRow("TIDY-POS") << 4;
        QTest::newRow("TIDY-GASTRO") << 5;
    }

    // The rows come in by certificate whatever their order in the table;
    // the file is the example byte for byte, and valid JSON.
    void workedExample()
    {
        QFETCH(int, variant);
        Dep7Run run;
        run.prepare(variant, {sale(3, "CERT-B", "CA-2", "jws-3"), sale(2, "CERT-A", "CA-1", "jws-2"),
                              sale(1, "CERT-A", "CA-1", "jws-1")});
        run.press();
        QCOMPARE(run.exportMessages(), QStringList{run.doneMessage()});
        QCOMPARE(run.messages.kinds(), (QList<MessageBoxKind>{MessageBoxKind::Plain, MessageBoxKind::Question}));
        QCOMPARE(run.file(), exampleFile);
        QJsonParseError error;
        const QJsonDocument json = QJsonDocument::fromJson(run.file(), &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(json["Belege-Gruppe"].toArray().size(), 2);
        // Nothing but the file is left in the folder; the query is closed,
        // the connection stays open.
        QCOMPARE(run.database.otherFiles(), QStringList{fileName});
        QVERIFY(!run.query().isActive());
        QVERIFY(run.window.Datenbank_Verbindung.connected());
    }

    void singleRowGivesTenLines()
    {
        Dep7Run run;
        run.prepare(0, {sale(1, "CERT-A", "CA-1", "jws-1")});
        run.press();
        QCOMPARE(run.file(), QByteArray("{ \"Belege-Gruppe\": [\r\n"
                                        "     {\r\n"
                                        "      \"Signaturzertifikat\":\"CERT-A\",\r\n"
                                        "      \"Zertifizierungsstellen\":[\"CA-1\"],\r\n"
                                        "      \"Belege-kompakt\":[\r\n"
                                        "                       \"jws-1\"\r\n"
                                        "                       ]\r\n"
                                        "      }\r\n"
                                        "                   ]\r\n"
                                        "}\r\n"));
    }

    // A certificate that reads "-1" is a certificate like any other: it
    // opens its group and the group is closed before the next one.
    void certificateThatReadsMinusOne()
    {
        Dep7Run run;
        run.prepare(0, {sale(1, "-1", "CA-1", "jws-1"), sale(2, "-1", "CA-1", "jws-2", 2),
                        sale(3, "CERT-B", "CA-2", "jws-3")});
        run.press();
        const QByteArray file = run.file();
        QCOMPARE(file.count("     {\r\n"), 2);
        QCOMPARE(file.count("                       ]\r\n"), 2);
        QVERIFY(file.contains("      \"Signaturzertifikat\":\"-1\",\r\n"));
        QCOMPARE(receipts(file), (QStringList{"jws-1", "jws-2", "jws-3"}));
        QJsonParseError error;
        QJsonDocument::fromJson(file, &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
    }

    // The database orders texts without regard to case, so a certificate
    // in other letter case comes between two rows of the same certificate:
    // each change opens a group of its own. Letters outside ASCII are
    // written as ANSI bytes.
    void caseDifferentCertificatesAndOneThatComesBack()
    {
        Dep7Run run;
        run.prepare(0, {sale(1, "CERT-A", "A-Trust für Österreich", "jws-1", 1),
                        sale(2, "cert-a", "CA-2", "jws-2", 2), sale(3, "CERT-A", "CA-3", "jws-3", 3),
                        sale(4, "CERT-A", "CA-4", "jws-4", 3)});
        run.press();
        QCOMPARE(run.file(), QByteArray("{ \"Belege-Gruppe\": [\r\n"
                                        "     {\r\n"
                                        "      \"Signaturzertifikat\":\"CERT-A\",\r\n"
                                        "      \"Zertifizierungsstellen\":[\"A-Trust f\xfcr \xd6sterreich\"],\r\n"
                                        "      \"Belege-kompakt\":[\r\n"
                                        "                       \"jws-1\"\r\n"
                                        "                       ]\r\n"
                                        "      },\r\n"
                                        "     {\r\n"
                                        "      \"Signaturzertifikat\":\"cert-a\",\r\n"
                                        "      \"Zertifizierungsstellen\":[\"CA-2\"],\r\n"
                                        "      \"Belege-kompakt\":[\r\n"
                                        "                       \"jws-2\"\r\n"
                                        "                       ]\r\n"
                                        "      },\r\n"
                                        "     {\r\n"
                                        "      \"Signaturzertifikat\":\"CERT-A\",\r\n"
                                        "      \"Zertifizierungsstellen\":[\"CA-3\"],\r\n"
                                        "      \"Belege-kompakt\":[\r\n"
                                        "                       \"jws-3\",\r\n"
                                        "                       \"jws-4\"\r\n"
                                        "                       ]\r\n"
                                        "      }\r\n"
                                        "                   ]\r\n"
                                        "}\r\n"));
    }

    // One group per certificate, headed by the first row's authority text;
    // rows equal in all five selected columns give one receipt line.
    void groupsAndDistinctRows()
    {
        Dep7Run run;
        Sale sameAgain = sale(9, "CERT-A", "CA-1", "jws-1");
        sameAgain.receipt = 1;
        sameAgain.cashRegister = 2;
        run.prepare(4, {sale(1, "CERT-A", "CA-1", "jws-1"), sameAgain, sale(2, "CERT-A", "CA-9", "jws-1"),
                        sale(3, "CERT-A", "CA-1", "jws-3", 2)});
        run.press();
        const QByteArray file = run.file();
        QCOMPARE(file.count("\"Signaturzertifikat\""), 1);
        QVERIFY(file.contains("\"Zertifizierungsstellen\":[\"CA-1\"],"));
        // (CA-1, 1, jws-1), (CA-9, 2, jws-1), (CA-1, 3, jws-3).
        QCOMPARE(receipts(file), (QStringList{"jws-1", "jws-1", "jws-3"}));
    }

    void rowFilters_data()
    {
        QTest::addColumn<int>("variant");
        QTest::newRow("shop") << 4;
        QTest::newRow("gastro") << 5;
    }

    // Company 1, any register, payment types 0 to 5, status at least 1, a
    // certificate that is neither empty nor "A".
    void rowFilters()
    {
        QFETCH(int, variant);
        QList<Sale> sales;
        int id = 0;
        auto add = [&](const char *signature, auto change) {
            ++id;
            Sale s = sale(id, "CERT", "CA", signature, id);
            change(s);
            sales << s;
        };
        add("in-plain", [](Sale &) {});
        add("in-register-0", [](Sale &s) { s.cashRegister = 0; });
        add("in-register-999999", [](Sale &s) { s.cashRegister = 999999; });
        add("in-status-2", [](Sale &s) { s.status = 2; });
        for (int type = 1; type <= 5; ++type)
            add("in-payment", [type](Sale &s) { s.paymentType = type; });
        add("out-company-2", [](Sale &s) { s.company = 2; });
        add("out-company-0", [](Sale &s) { s.company = 0; });
        add("out-register-1000000", [](Sale &s) { s.cashRegister = 1000000; });
        add("out-status-0", [](Sale &s) { s.status = 0; });
        add("out-status--1", [](Sale &s) { s.status = -1; });
        add("out-payment-6", [](Sale &s) { s.paymentType = 6; });
        add("out-payment-7", [](Sale &s) { s.paymentType = 7; });
        add("out-payment--1", [](Sale &s) { s.paymentType = -1; });
        add("out-certificate-empty", [](Sale &s) { s.certificate = ""; });
        add("out-certificate-A", [](Sale &s) { s.certificate = "A"; });
        add("out-certificate-null", [](Sale &s) { s.certificate = nullptr; });
        Dep7Run run;
        run.prepare(variant, sales);
        run.press();
        QCOMPARE(receipts(run.file()),
                 (QStringList{"in-plain", "in-register-0", "in-register-999999", "in-status-2", "in-payment",
                              "in-payment", "in-payment", "in-payment", "in-payment"}));
    }

    // From the start of the first day up to, not including, the midnight
    // after the last day; one day when both fields hold the same date.
    void halfOpenPeriod()
    {
        auto at = [](int id, QDate day, QTime time) {
            Sale s = sale(id, "CERT", "CA", QStringLiteral("jws-%1").arg(id), id);
            s.settled = QDateTime(day, time);
            return s;
        };
        Dep7Run run;
        run.prepare(0, {at(1, QDate(2019, 2, 28), QTime(23, 59, 59)), at(2, QDate(2019, 3, 1), QTime(0, 0)),
                        at(3, QDate(2019, 3, 1), QTime(23, 59, 59)), at(4, QDate(2019, 3, 2), QTime(0, 0))});
        run.window.ed_vondatum->setDate(QDate(2019, 3, 1));
        run.press();
        QCOMPARE(receipts(run.file(QStringLiteral("DEPExport01.03.2019-01.03.2019.json"))),
                 (QStringList{"jws-2", "jws-3"}));
    }

    // Without rows nothing is written, and an earlier file stays.
    void noData()
    {
        Dep7Run run;
        Sale late = sale(1, "CERT", "CA", "jws-1");
        late.settled = QDateTime(QDate(2019, 3, 2), QTime(0, 0));
        run.prepare(4, {late});
        QFile earlier(run.database.path(fileName));
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier run");
        earlier.close();

        run.press();
        QCOMPARE(run.messages.texts(), QStringList{QStringLiteral("keine Daten für Export!")});
        QCOMPARE(run.file(), QByteArray("earlier run"));
        QVERIFY(!run.query().isActive());

        // A period that starts after its end selects nothing either.
        run.window.ed_vondatum->setDate(QDate(2019, 3, 3));
        run.window.ed_bisdatum->setDate(QDate(2019, 3, 1));
        run.press();
        QCOMPARE(run.messages.texts(), QStringList{QStringLiteral("keine Daten für Export!")});
        QCOMPARE(run.database.otherFiles(), QStringList{fileName});
    }

    // The file is named by the texts as the fields show them, in the folder
    // as typed; the message names the folder text exactly.
    void fileNameFromTheFieldTexts()
    {
        Dep7Run run;
        run.prepare(0, {sale(1, "CERT-A", "CA-1", "jws-1")});
        run.window.ed_datenbank->setText(run.database.folder() + u'\\');
        // the mask places "1.3.2018" as "1 .3 .2018", and the name takes the
        // text as the field shows it
        run.window.ed_vondatum->setText(QStringLiteral("1.3.2018"));
        run.press();
        QCOMPARE(run.exportMessages(),
                 QStringList{run.doneMessage(QStringLiteral("DEPExport1 .3 .2018-01.03.2019.json"))});
        QCOMPARE(run.database.otherFiles(), QStringList{QStringLiteral("DEPExport1 .3 .2018-01.03.2019.json")});

        // A second run replaces the file.
        run.window.ed_datenbank->setText(run.database.folder());
        run.press();
        QCOMPARE(receipts(run.file(QStringLiteral("DEPExport1 .3 .2018-01.03.2019.json"))), QStringList{"jws-1"});
    }

    // The shop tables keep the signature as long text: NULL reads empty.
    void shopNullSignatureGivesEmptyText()
    {
        Dep7Run run;
        run.prepare(0, {sale(1, "CERT-A", "CA-1", "jws-1"), sale(2, "CERT-A", "CA-1", nullptr)});
        run.press();
        QCOMPARE(run.exportMessages(), QStringList{run.doneMessage()});
        QVERIFY(run.file().contains("                       \"jws-1\",\r\n"
                                    "                       \"\"\r\n"
                                    "                       ]\r\n"));
    }

    // The gastro tables keep it as plain text, whose NULL cannot be turned
    // into text: the export stops, no half file, the earlier file stays.
    void gastroNullSignatureStopsTheExport()
    {
        Dep7Run run;
        run.prepare(1, {sale(1, "CERT-A", "CA-1", "jws-1"), sale(2, "CERT-A", "CA-1", nullptr),
                        sale(3, "CERT-B", "CA-1", "jws-3")});
        QFile earlier(run.database.path(fileName));
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier run");
        earlier.close();

        run.press();
        QCOMPARE(run.messages.boxes().size(), 1);
        QCOMPARE(run.messages.boxes().first().kind, MessageBoxKind::Error);
        QCOMPARE(run.messages.boxes().first().text,
                 QStringLiteral("Could not convert variant of type (Null) into type (String)"));
        QCOMPARE(run.file(), QByteArray("earlier run"));
        QCOMPARE(run.database.otherFiles(), QStringList{fileName});
        QVERIFY(!run.query().isActive());
        QVERIFY(run.window.Datenbank_Verbindung.connected());
    }

    // Double quotes and backslashes go into the file as they stand: an
    // authority text `CA1","CA2` gives the array of two authorities.
    // Control characters get their JSON escapes, so a certificate kept as
    // PEM lines with CR LF still gives a valid file.
    void quotesAndBackslashesUnchangedControlCharactersEscaped()
    {
        const QString pem = QStringLiteral("-----BEGIN CERTIFICATE-----\r\nMIIBszCCAVmgAwIBAgIU\r\n"
                                           "cXVpbGxldA==\r\n-----END CERTIFICATE-----\r\n");
        const QString jws = QStringLiteral("eyJhbGciOiJFUzI1NiJ9.X1IxLUFULTE_S0FTU0UtMDAxXzE.q+/w==");
        Dep7Run run;
        run.prepare(0, {sale(1, pem, "CA1\",\"CA2", "jws-1", 1), sale(2, pem, "CA1\",\"CA2", jws, 2),
                        sale(3, "CERT-B", "CA\\\\Wien", "tab\tand\x01", 3)});  // a backslash the register keeps escaped
        run.press();
        const QByteArray file = run.file();
        QVERIFY(file.contains("      \"Signaturzertifikat\":\"-----BEGIN CERTIFICATE-----\\r\\nMIIBszCCAVmgAwIBAgIU\\r\\n"
                              "cXVpbGxldA==\\r\\n-----END CERTIFICATE-----\\r\\n\",\r\n"));
        QVERIFY(file.contains("      \"Zertifizierungsstellen\":[\"CA1\",\"CA2\"],\r\n"));
        QVERIFY(file.contains("      \"Zertifizierungsstellen\":[\"CA\\\\Wien\"],\r\n"));
        QVERIFY(file.contains("                       \"" + jws.toLatin1() + "\"\r\n"));
        QVERIFY(file.contains("                       \"tab\\tand\\u0001\"\r\n"));

        QJsonParseError error;
        const QJsonDocument json = QJsonDocument::fromJson(file, &error);
        QCOMPARE(error.errorString(), QJsonParseError().errorString());
        const QJsonArray groups = json["Belege-Gruppe"].toArray();
        QCOMPARE(groups.size(), 2);
        const QJsonObject first = groups[0].toObject();
        QCOMPARE(first["Signaturzertifikat"].toString(), pem);
        QCOMPARE(first["Zertifizierungsstellen"].toArray(), (QJsonArray{"CA1", "CA2"}));
        QCOMPARE(first["Belege-kompakt"].toArray(), (QJsonArray{"jws-1", jws}));
        const QJsonObject second = groups[1].toObject();
        QCOMPARE(second["Zertifizierungsstellen"].toArray(), QJsonArray{"CA\\Wien"});
        QCOMPARE(second["Belege-kompakt"].toArray(), QJsonArray{"tab\tand\x01"});
    }

    // A lone double quote is written unchanged too, although the file is
    // then no valid JSON: the text goes out as the register keeps it.
    void loneQuoteWrittenUnchanged()
    {
        Dep7Run run;
        run.prepare(0, {sale(1, "CERT \"Kassa\" 1", "CA\\Wien", "jws-1")});
        run.press();
        QCOMPARE(run.exportMessages(), QStringList{run.doneMessage()});
        const QByteArray file = run.file();
        QVERIFY(file.contains("      \"Signaturzertifikat\":\"CERT \"Kassa\" 1\",\r\n"));
        QVERIFY(file.contains("      \"Zertifizierungsstellen\":[\"CA\\Wien\"],\r\n"));
    }

    // One register's receipts in the order the register chained them, in
    // a file of their own: a replaced signature card (whose certificate
    // text sorts first) gives its groups in time order, a card that comes
    // back opens a new group; other registers stay out. The window's own
    // export of the same rows is grouped by certificate as before.
    void oneRegisterInChainOrder_data()
    {
        QTest::addColumn<int>("variant");
        QTest::newRow("shop") << 0;
        QTest::newRow("gastro") << 5;
    }

    void oneRegisterInChainOrder()
    {
        QFETCH(int, variant);
        auto on = [](int cashRegister, int receipt, int period, const char *certificate, const char *signature) {
            Sale s = sale(receipt, certificate, "CA", signature, period);
            s.id = cashRegister * 100 + receipt;
            s.cashRegister = cashRegister;
            return s;
        };
        Dep7Run run;
        run.prepare(variant, {on(2, 3, 201803, "Z-CARD", "k2-3"), on(2, 1, 201803, "Z-CARD", "k2-1"),
                              on(2, 2, 201803, "Z-CARD", "k2-2"), on(2, 4, 201804, "A-CARD", "k2-4"),
                              on(2, 5, 201805, "A-CARD", "k2-5"), on(2, 6, 201805, "Z-CARD", "k2-6"),
                              on(1, 1, 201803, "A-CARD", "k1-1"), on(3, 1, 201803, "Z-CARD", "k3-1"),
                              on(2, 10, 201806, "Z-CARD", "k2-10")});
        run.messages.clear();
        run.window.exportDep7(2);
        const QString kassaFile = QStringLiteral("DEPExport01.03.2018-01.03.2019_Kassa2.json");
        QCOMPARE(run.messages.texts(), QStringList{run.doneMessage(kassaFile)});
        QCOMPARE(run.database.otherFiles(), QStringList{kassaFile});
        const QByteArray file = run.file(kassaFile);
        QCOMPARE(receipts(file), (QStringList{"k2-1", "k2-2", "k2-3", "k2-4", "k2-5", "k2-6", "k2-10"}));
        QJsonParseError error;
        const QJsonArray groups = QJsonDocument::fromJson(file, &error)["Belege-Gruppe"].toArray();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(groups.size(), 3);
        QCOMPARE(groups[0]["Signaturzertifikat"].toString(), QStringLiteral("Z-CARD"));
        QCOMPARE(groups[0]["Belege-kompakt"].toArray().size(), 3);
        QCOMPARE(groups[1]["Signaturzertifikat"].toString(), QStringLiteral("A-CARD"));
        QCOMPARE(groups[2]["Belege-kompakt"].toArray(), (QJsonArray{"k2-6", "k2-10"}));
        // The window's query is left as it was.
        QVERIFY(run.query().sql().endsWith(QLatin1String("order by Signaturzertifikat,Periode_bv,Barverkauf_nr,JWSSignatur ")));

        // A register without receipts in the period: the usual message,
        // no file.
        run.messages.clear();
        run.window.exportDep7(4);
        QCOMPARE(run.messages.texts(), QStringList{QStringLiteral("keine Daten für Export!")});
        QCOMPARE(run.database.otherFiles(), QStringList{kassaFile});

        // The button's export of the same rows mixes the registers and puts
        // the newer card's group first.
        run.press();
        QCOMPARE(receipts(run.file()),
                 (QStringList{"k1-1", "k2-4", "k2-5", "k2-1", "k3-1", "k2-2", "k2-3", "k2-6", "k2-10"}));
    }

    // The conversion error reaches the general error box; the window stays
    // usable and the next press with a valid date succeeds.
    void invalidDate()
    {
        Dep7Run run;
        run.prepare(0, {sale(1, "CERT-A", "CA-1", "jws-1")});
        run.window.ed_bisdatum->setText(QStringLiteral("31.02.2019"));
        run.press();
        QCOMPARE(run.messages.boxes().size(), 1);
        QCOMPARE(run.messages.boxes().first().kind, MessageBoxKind::Error);
        QCOMPARE(run.messages.boxes().first().text, QStringLiteral("'31.02.2019' is not a valid date."));
        QVERIFY(run.database.otherFiles().isEmpty());
        QVERIFY(!run.query().isActive());
        QVERIFY(run.window.Datenbank_Verbindung.connected());
        QCOMPARE(run.window.ed_bisdatum->dateText(), QStringLiteral("31.02.2019"));

        // a date typed in part is named as the field shows it
        run.window.ed_bisdatum->setDate(QDate());
        run.window.ed_bisdatum->setText(QStringLiteral("12"));
        run.press();
        QCOMPARE(run.messages.texts(), QStringList{QStringLiteral("'12.  .    ' is not a valid date.")});

        run.window.ed_bisdatum->setDate(QDate(2019, 3, 1));
        run.press();
        QCOMPARE(run.exportMessages(), QStringList{run.doneMessage()});
    }

    // A database without the edition's table: the provider's text in the
    // general error box, nothing of the export's own.
    void queryCannotBeOpened()
    {
        Dep7Run run;
        run.database.write(QStringLiteral("VelmarFaktura.mdb"), {sale(1, "CERT-A", "CA-1", "jws-1")}, {},
                           QStringLiteral("quillet"), false);
        run.window.show();
        run.window.rg_version->setItemIndex(1);
        run.window.ed_datenbank->setText(run.database.folder());
        run.press();
        QCOMPARE(run.messages.boxes().size(), 1);
        QCOMPARE(run.messages.boxes().first().kind, MessageBoxKind::Error);
        QCOMPARE(run.messages.boxes().first().text, QStringLiteral("Die Tabelle 'BarverkaeufeGastro' wurde nicht gefunden."));
        QVERIFY(run.database.otherFiles().isEmpty());
        QVERIFY(run.window.Datenbank_Verbindung.connected());
    }

    // A wrong password: first the request to check the input, then the
    // provider's text.
    void wrongPassword()
    {
        Dep7Run run;
        run.prepare(0, {sale(1, "CERT-A", "CA-1", "jws-1")});
        run.window.ed_passwort->setText(QStringLiteral("falsch"));
        run.press();
        QCOMPARE(run.messages.texts(),
                 (QStringList{QStringLiteral("Fehler Datenbankverbiundung\rÜberprüfen Sie die Eingaben!"),
                              errorBoxText(RegisterTestDatabase::providerError(run.window.Datenbank_Verbindung.connectionString()))}));
        QVERIFY(!run.window.Datenbank_Verbindung.connected());
        QVERIFY(run.database.otherFiles().isEmpty());
    }

    // A file that cannot be put in place, and a name longer than Windows
    // takes: an orderly error, no final message, nothing left behind.
    void fileCannotBeWritten()
    {
        Dep7Run run;
        run.prepare(0, {sale(1, "CERT-A", "CA-1", "jws-1")});
        QVERIFY(QDir(run.database.folder()).mkdir(fileName));
        run.press();
        QCOMPARE(run.messages.boxes().size(), 1);
        QCOMPARE(run.messages.boxes().first().kind, MessageBoxKind::Error);
        QVERIFY2(run.messages.texts().first().startsWith(QLatin1String("Die Datei ")), qPrintable(run.messages.texts().first()));
        QVERIFY(run.database.otherFiles().isEmpty());
        QVERIFY(!run.query().isActive());
        QVERIFY(QDir(run.database.folder()).rmdir(fileName));

        QString longFolder = run.database.folder();
        while (longFolder.size() < 260)
            longFolder += QStringLiteral("/.");
        run.window.ed_datenbank->setText(longFolder);
        run.press();
        QCOMPARE(run.messages.boxes().size(), 1);
        QVERIFY2(run.messages.texts().first().contains(QStringLiteral("länger als 259 Zeichen")),
                 qPrintable(run.messages.texts().first()));
        QVERIFY(run.database.otherFiles().isEmpty());
    }

    // The next export closes the connection first, also when it then stops
    // for want of a variant.
    void connectionClosedWithoutVariant()
    {
        Dep7Run run;
        run.prepare(0, {sale(1, "CERT-A", "CA-1", "jws-1")});
        run.press();
        QVERIFY(run.window.Datenbank_Verbindung.connected());
        run.window.rg_version->setItemIndex(-1);
        run.press();
        QCOMPARE(run.messages.texts(), QStringList{QStringLiteral("keine Programmversion ausgewählt!")});
        QVERIFY(!run.window.Datenbank_Verbindung.connected());
    }

private:
    IsolatedSettings m_settings;
};

QTEST_MAIN(Dep7ExportTest)
#include "tst_dep7export.moc"
