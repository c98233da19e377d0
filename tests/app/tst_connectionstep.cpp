// The connection step as the buttons run it: the connection string of each
// variant built from the fields as they stand, and the messages when no
// variant is chosen or connecting fails.

#include "ConnectionStep.h"
#include "FormatSettings.h"
#include "IsolatedSettings.h"
#include "MessageRecorder.h"
#include "RegisterTestDatabase.h"
#include "TDirectoryEdit.h"
#include "TRadioGroup.h"
#include "Tfrm_dep.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString connectionMessage = QStringLiteral("Fehler Datenbankverbiundung\rÜberprüfen Sie die Eingaben!");

} // namespace

class ConnectionStepTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_settings.clear(); }

    void initTestCase()
    {
        QVERIFY(m_driveC.isValid());
        // An empty drive C: no database is found there.
        qputenv("DEPEXPORT_DRIVE_C", m_driveC.path().toLocal8Bit());
        FormatSettings::setCurrent(FormatSettings::fromLocale(QLocale(QStringLiteral("de_DE"))));
    }

    // Each button begins with the check for a chosen variant.
    void noVariantChosen()
    {
        Tfrm_dep w;
        w.show();
        for (QPushButton *button : {w.btn_dep131_export, w.btn_dep7_export, w.btn_log_export}) {
            MessageRecorder messages;
            QTest::mouseClick(button, Qt::LeftButton);
            QCOMPARE(messages.texts(), QStringList{QStringLiteral("keine Programmversion ausgewählt!")});
            QCOMPARE(messages.boxes().first().kind, MessageBoxKind::Plain);
            QCOMPARE(messages.boxes().first().caption, applicationTitle());
            QVERIFY(w.Datenbank_Verbindung.connectionString().isEmpty());
            QVERIFY(!w.Datenbank_Verbindung.connected());
        }
    }

    void accessConnectionString_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("dataSource");
        QTest::addColumn<QString>("expectedPassword");

        QTest::newRow("default folder, empty password") << 4 << "C:\\Tidy-Pos" << "" << "C:\\Tidy-Pos\\Vel4TidyShop.mdb" << "";
        QTest::newRow("shop") << 0 << "C:\\VelmarFaktura" << "quillet" << "C:\\VelmarFaktura\\VelmarFaktura.mdb"
                              << "quillet";
        QTest::newRow("empty folder") << 1 << "" << "quillet" << "\\VelmarFaktura.mdb" << "quillet";
        QTest::newRow("trailing backslash") << 5 << "C:\\TidyGastro\\" << "x" << "C:\\TidyGastro\\\\Vel4TidyGastro.mdb"
                                            << "x";
        QTest::newRow("blanks kept") << 4 << " C:\\Tidy Pos " << " a b " << " C:\\Tidy Pos \\Vel4TidyShop.mdb" << " a b ";
    }

    // The connection message comes first, then the provider's own text in
    // the general error box; the new string stays on the closed connection.
    void accessConnectionString()
    {
        QFETCH(int, variant);
        QFETCH(QString, folder);
        QFETCH(QString, password);
        QFETCH(QString, dataSource);
        QFETCH(QString, expectedPassword);

        Tfrm_dep w;
        w.show();
        w.rg_version->setItemIndex(variant);
        w.ed_datenbank->setText(folder);
        w.ed_passwort->setText(password);
        MessageRecorder messages;
        QTest::mouseClick(w.btn_dep7_export, Qt::LeftButton);

        const QString expected = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + dataSource
            + QStringLiteral(";Jet OLEDB:Database Password=") + expectedPassword
            + QStringLiteral(";Persist Security Info=False");
        QCOMPARE(w.Datenbank_Verbindung.connectionString(), expected);
        QVERIFY(!w.Datenbank_Verbindung.connected());
        QCOMPARE(messages.boxes().size(), 2);
        QCOMPARE(messages.boxes().at(0).kind, MessageBoxKind::Plain);
        QCOMPARE(messages.boxes().at(0).text, connectionMessage);
        QCOMPARE(messages.boxes().at(1).kind, MessageBoxKind::Error);
        QCOMPARE(messages.boxes().at(1).caption, applicationTitle());
        QCOMPARE(messages.boxes().at(1).text, errorBoxText(RegisterTestDatabase::providerError(expected)));

        // The window is as it was, and the next press tries again.
        QCOMPARE(w.ed_datenbank->text(), folder);
        QCOMPARE(w.ed_passwort->text(), password);
        messages.clear();
        QTest::mouseClick(w.btn_log_export, Qt::LeftButton);
        QCOMPARE(messages.texts().first(), connectionMessage);
        QCOMPARE(messages.boxes().size(), 2);
    }

    // Folder and password play no part; the server text goes in as it is.
    void sqlServerConnectionString()
    {
        Tfrm_dep w;
        w.show();
        QCOMPARE(ConnectionStep::connectionString({3, w.ed_datenbank->text(), w.ed_passwort->text(),
                                                   w.ed_servername->text()}),
                 QStringLiteral("Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;"
                                "Initial Catalog=VelmarFaktura;Data Source=LOCALHOST\\SQLEXPRESS;"));
        for (int variant : {2, 3}) {
            w.rg_version->setItemIndex(variant);
            // Refused at once: nothing listens on port 1.
            w.ed_servername->setText(QStringLiteral("127.0.0.1,1"));
            w.ed_passwort->setText(QStringLiteral("unused"));
            MessageRecorder messages;
            QTest::mouseClick(w.btn_dep131_export, Qt::LeftButton);
            const QString expected = QStringLiteral("Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;"
                                                    "Initial Catalog=VelmarFaktura;Data Source=127.0.0.1,1;");
            QCOMPARE(w.Datenbank_Verbindung.connectionString(), expected);
            QCOMPARE(messages.texts().value(0), connectionMessage);
            QCOMPARE(messages.boxes().size(), 2);
            QCOMPARE(messages.boxes().at(1).kind, MessageBoxKind::Error);
            QVERIFY(!w.Datenbank_Verbindung.connected());
        }
    }

private:
    QTemporaryDir m_driveC;
    IsolatedSettings m_settings;
};

QTEST_MAIN(ConnectionStepTest)
#include "tst_connectionstep.moc"
