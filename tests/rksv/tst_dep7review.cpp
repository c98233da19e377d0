// What the window does after its DEP 7 export: the file is checked, and
// only when it would not pass the user hears why and may have each
// register exported into a file of its own. On register databases written
// by our Jet writer with really signed receipts of two registers.

#include "Dep7Check.h"
#include "Dep7TestJournal.h"
#include "FormatSettings.h"
#include "IsolatedSettings.h"
#include "MessageRecorder.h"
#include "JetDatabaseWriter.h"
#include "RegisterDatabase.h"
#include "Sale.h"
#include "TDateEdit.h"
#include "TDirectoryEdit.h"
#include "TRadioGroup.h"
#include "Tfrm_dep.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString mainFile = QStringLiteral("DEPExport01.03.2018-01.03.2019.json");
const QString kassa1 = QStringLiteral("DEPExport01.03.2018-01.03.2019_Kassa1.json");
const QString kassa2 = QStringLiteral("DEPExport01.03.2018-01.03.2019_Kassa2.json");

// A register database in a folder of its own, with the Memo columns that
// hold whole certificates.
class SignedDatabase
{
public:
    explicit SignedDatabase(const QList<Sale> &rows)
    {
        JetDatabaseWriter writer(path(QStringLiteral("VelmarFaktura.mdb")), QStringLiteral("quillet"));
        JetTable shop = writer.addTable(QStringLiteral("Barverkaeufe"), RegisterDatabase::shopSalesColumns());
        QList<JetValue> row;
        for (const Sale &sale : rows) {
            sale.fillRow(row, false);
            shop.addRow(row);
        }
        writer.addTable(QStringLiteral("BarverkaeufeGastro"), RegisterDatabase::gastroSalesColumns());
        writer.addTable(QStringLiteral("Protokoll"), RegisterDatabase::logColumns());
        writer.finish();
    }

    QString folder() const { return m_dir.path(); }
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QStringList exports() const { return QDir(m_dir.path()).entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name); }

private:
    QTemporaryDir m_dir;
};

} // namespace

class TestDep7Review : public QObject
{
    Q_OBJECT

    IsolatedSettings m_settings;
    Dep7TestJournal m_journal;

    // The rows of register `cashRegister`: its chain of `count` receipts,
    // the second device from receipt `changeAt` on, settled in the period.
    QList<Sale> registerRows(int cashRegister, int count, int changeAt = 10) const
    {
        const QList<Dep7Group> groups =
            m_journal.registerLife("KASSE-" + QByteArray::number(cashRegister), count, changeAt);
        QList<Sale> rows;
        int receipt = 0;
        for (const Dep7Group &group : groups) {
            for (const QByteArray &signature : group.receipts) {
                Sale s;
                s.receipt = ++receipt;
                s.id = cashRegister * 1000 + receipt;
                s.cashRegister = cashRegister;
                s.settled = QDateTime(QDate(2018, 10, 15), QTime(12, 30));
                s.certificate = QString::fromLatin1(group.certificate);
                s.authorities = QString::fromLatin1(group.authorities.join("\",\""));
                s.signature = QString::fromLatin1(signature);
                rows << s;
            }
        }
        return rows;
    }

    static void prepare(Tfrm_dep &window, const SignedDatabase &database)
    {
        window.show();
        window.ed_passwort->setText(QStringLiteral("quillet"));
        window.rg_version->setItemIndex(0);
        window.ed_datenbank->setText(database.folder());
        window.ed_vondatum->setDate(QDate(2018, 3, 1));
        window.ed_bisdatum->setDate(QDate(2019, 3, 1));
    }

    rksv::Dep7CheckResult check(const QString &file) const
    {
        rksv::Dep7CheckOptions options;
        options.aesKey = m_journal.aesKey;
        return rksv::Dep7Check(std::move(options)).run(file);
    }

private slots:
    void initTestCase()
    {
        FormatSettings::setCurrent(FormatSettings::fromLocale(QLocale(QStringLiteral("de_DE"))));
    }
    void init() { m_settings.clear(); }
    void cleanup() { setQuestionAnswerer({}); }

    void twoRegistersOneFilePerRegister()
    {
        const SignedDatabase database(registerRows(1, 30) + registerRows(2, 20));
        Tfrm_dep window;
        prepare(window, database);
        MessageRecorder messages;
        QStringList questions;
        setQuestionAnswerer([&questions](const MessageBoxRequest &box) {
            questions << box.text;
            return true;
        });
        QTest::mouseClick(window.btn_dep7_export, Qt::LeftButton);

        const QString done = QStringLiteral("Exportdatei %1 befindet sich im Ordner %2").arg(mainFile, database.folder());
        QCOMPARE(questions.size(), 1);
        // The groups of the two cards may also come out of time order,
        // as the certificates' texts sort.
        QVERIFY2(questions.front().startsWith(QStringLiteral("Die Datei %1 würde eine Prüfung nicht bestehen. Die Datei "
                                                             "enthält Belege mehrerer Kassen; Prüfprogramme erwarten "
                                                             "eine Kasse je Datei.")
                                                  .arg(mainFile)),
                 qPrintable(questions.front()));
        QVERIFY(questions.front().endsWith(
            QStringLiteral("\r\n\r\nGeprüft wurden Signaturen, Verkettung und Reihenfolge der Belege; Umsatzzähler und "
                           "Vertrauensanker der Zertifikate nicht (AES-Schlüssel und Vertrauensanker sind hier nicht "
                           "bekannt).\r\n\r\nSoll jede Kasse in eine eigene Datei exportiert werden?")));
        QCOMPARE(messages.kinds(),
                 (QList<MessageBoxKind>{MessageBoxKind::Plain, MessageBoxKind::Question, MessageBoxKind::Plain}));
        QCOMPARE(messages.texts().front(), done);
        QCOMPARE(messages.texts().back(),
                 QStringLiteral("Je Kasse eine Exportdatei im Ordner %1:\r\n%2: Prüfung bestanden\r\n%3: Prüfung bestanden")
                     .arg(database.folder(), kassa1, kassa2));
        QCOMPARE(database.exports(), (QStringList{mainFile, kassa1, kassa2}));

        // Each file passes with the counters too, and holds its register's
        // whole chain.
        const rksv::Dep7CheckResult first = check(database.path(kassa1));
        QVERIFY(first.passed());
        QCOMPARE(first.receipts, 30);
        QCOMPARE(first.registers.front().registerId, QByteArray("KASSE-1"));
        QVERIFY(first.registers.front().countersChecked);
        const rksv::Dep7CheckResult second = check(database.path(kassa2));
        QVERIFY(second.passed());
        QCOMPARE(second.receipts, 20);

        // "Nein": nothing more is written.
        QFile::remove(database.path(kassa1));
        QFile::remove(database.path(kassa2));
        messages.clear();
        setQuestionAnswerer([](const MessageBoxRequest &) { return false; });
        QTest::mouseClick(window.btn_dep7_export, Qt::LeftButton);
        QCOMPARE(messages.kinds(), (QList<MessageBoxKind>{MessageBoxKind::Plain, MessageBoxKind::Question}));
        QCOMPARE(database.exports(), QStringList{mainFile});
    }

    // A register whose first card is used again after a second one: the
    // export of the register alone has three groups (A, B, A) and passes.
    void registerWhoseCardComesBack()
    {
        rksv::RegisterSigner signer("KASSE-1", m_journal.aesKey);
        QList<Sale> rows;
        for (int n = 1; n <= 30; ++n) {
            const bool second = n >= 11 && n < 21;
            const rksv::Certificate &device = second ? m_journal.device2 : m_journal.device1;
            if (n == 1 || n == 11 || n == 21)
                signer.useDevice(second ? &m_journal.deviceKey2 : &m_journal.deviceKey1, device.serialHex());
            rksv::RegisterSigner::Receipt receipt{QByteArray::number(n), "2018-10-15T12:" + QByteArray::number(10 + n)};
            receipt.dateTime += ":00";
            if (n > 1)
                receipt.sumsInCents = {100 * n, 0, 0, 0, 0};
            Sale s;
            s.receipt = n;
            s.id = n;
            s.settled = QDateTime(QDate(2018, 10, 15), QTime(12, 30));
            s.certificate = QString::fromLatin1(device.base64());
            s.authorities = QString::fromLatin1(m_journal.ca.base64());
            s.signature = QString::fromLatin1(signer.next(receipt));
            rows << s;
        }
        const SignedDatabase database(rows);
        Tfrm_dep window;
        prepare(window, database);
        MessageRecorder messages;
        QCOMPARE(window.exportDep7(1), ExportOutcome::Written);
        const rksv::Dep7CheckResult result = check(database.path(kassa1));
        QVERIFY2(result.passed(), qPrintable(result.text()));
        QCOMPARE(result.groups, 3);
        QCOMPARE(result.receipts, 30);
    }

    void passingFileAddsNothing()
    {
        // One register with one card: the window's order by certificate
        // text is its chain order.
        const SignedDatabase database(registerRows(1, 30, 100));
        Tfrm_dep window;
        prepare(window, database);
        MessageRecorder messages;
        QTest::mouseClick(window.btn_dep7_export, Qt::LeftButton);
        QCOMPARE(messages.texts(),
                 QStringList{QStringLiteral("Exportdatei %1 befindet sich im Ordner %2").arg(mainFile, database.folder())});
        QVERIFY(check(database.path(mainFile)).passed());
    }
};

QTEST_MAIN(TestDep7Review)
#include "tst_dep7review.moc"
