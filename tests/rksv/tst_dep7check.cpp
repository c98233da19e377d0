#include "Base64.h"
#include "CompactJws.h"
#include "Dep7Check.h"
#include "Dep7TestJournal.h"
#include "ProgramRun.h"
#include "RegisterDatabase.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

// The check of DEP 7 files made of really signed receipts: a sound file
// passes, and each kind of damage is found at the receipt where it is,
// with its reason. The last tests run the program itself.
class TestDep7Check : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    Dep7TestJournal m_journal;
    QList<Dep7Group> m_life; // register KASSE-1, 40 receipts, two devices

    QString path(const QString &name) const { return m_dir.filePath(name); }

    rksv::Dep7CheckResult check(const QList<Dep7Group> &groups, std::optional<QByteArray> key = {},
                                std::vector<rksv::Certificate> anchors = {})
    {
        const QString file = path(QStringLiteral("check.json"));
        Dep7TestJournal::write(file, groups);
        return checkFile(file, std::move(key), std::move(anchors));
    }

    rksv::Dep7CheckResult checkFile(const QString &file, std::optional<QByteArray> key = {},
                                    std::vector<rksv::Certificate> anchors = {})
    {
        rksv::Dep7CheckOptions options;
        options.aesKey = std::move(key);
        options.trustAnchors = std::move(anchors);
        return rksv::Dep7Check(std::move(options)).run(file);
    }

    // The problems as "receipt number: reason" lines.
    static QStringList problems(const rksv::Dep7CheckResult &result)
    {
        QStringList lines;
        for (const rksv::Dep7Problem &problem : result.firstProblems)
            lines.append(QString::fromLatin1(problem.receiptNumber) + QStringLiteral(": ") + problem.reason);
        return lines;
    }

    static bool hasProblem(const rksv::Dep7CheckResult &result, const QByteArray &number, const QString &reason)
    {
        for (const rksv::Dep7Problem &problem : result.firstProblems) {
            if (problem.receiptNumber == number && problem.reason.contains(reason) && problem.error)
                return true;
        }
        return false;
    }

    static QByteArray changeSignatureCharacter(const QByteArray &receipt)
    {
        QByteArray changed = receipt;
        const qsizetype at = receipt.lastIndexOf('.') + 10;
        changed[at] = changed.at(at) == 'A' ? 'B' : 'A';
        return changed;
    }

    using Run = ProgramRun;

    Run run(const QStringList &arguments, const std::optional<QStringList> &locale = std::nullopt)
    {
        return ProgramRun::start(ProgramRun::program(), arguments, m_dir.path(), locale);
    }

    // The file names of exports follow the window's date format.
    static QStringList austrianDates() { return {QStringLiteral("LC_ALL=de_AT.UTF-8")}; }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_life = m_journal.registerLife("KASSE-1");
    }

    void soundFilePasses()
    {
        const rksv::Dep7CheckResult result = check(m_life, m_journal.aesKey);
        QVERIFY2(result.passed(), qPrintable(problems(result).join(u'\n')));
        QCOMPARE(result.receipts, 40);
        QCOMPARE(result.groups, 2);
        QCOMPARE(result.registers.size(), size_t(1));
        const rksv::Dep7RegisterSummary &kasse = result.registers.front();
        QCOMPARE(kasse.registerId, QByteArray("KASSE-1"));
        QCOMPARE(kasse.receipts, 40);
        QCOMPARE(kasse.groups, 2);
        QCOMPARE(kasse.firstNumber, QByteArray("1"));
        QCOMPARE(kasse.firstDateTime, QByteArray("2019-01-31T08:01:00"));
        QCOMPARE(kasse.lastNumber, QByteArray("40"));
        QCOMPARE(kasse.lastDateTime, QByteArray("2019-01-31T08:40:00"));
        QCOMPARE(kasse.signedReceipts, 38);
        QCOMPARE(kasse.training, 1);
        QCOMPARE(kasse.cancellation, 1);
        QCOMPARE(kasse.failedDevice, 2);
        QVERIFY(kasse.startsWithStartReceipt);
        QCOMPARE(kasse.chainBreaks, 0);
        QVERIFY(kasse.countersChecked);
        const QString text = result.text();
        QVERIFY(text.contains(QStringLiteral("Kasse KASSE-1\n")));
        QVERIFY(text.contains(QStringLiteral("  Belege: 40 in 2 Gruppen\n")));
        QVERIFY(text.contains(QStringLiteral("  erster Beleg: 1 vom 2019-01-31T08:01:00\n")));
        QVERIFY(text.contains(QStringLiteral("  signiert: 38, Training: 1, Storno: 1, Sicherheitseinrichtung ausgefallen: 2\n")));
        QVERIFY(text.contains(QStringLiteral("  Kette: vollständig ab dem Startbeleg\n")));
        QVERIFY(text.endsWith(QStringLiteral("\nPrüfung bestanden.")));

        // Without the key the counters are left alone.
        QVERIFY(!check(m_life).registers.front().countersChecked);
    }

    void periodExportWithoutStartReceipt()
    {
        // An export for a period begins in the middle of the chain.
        QList<Dep7Group> period = m_life;
        period[0].receipts = period[0].receipts.mid(9);
        const rksv::Dep7CheckResult result = check(period, m_journal.aesKey);
        QVERIFY2(result.passed(), qPrintable(problems(result).join(u'\n')));
        QVERIFY(!result.registers.front().startsWithStartReceipt);
        QVERIFY(result.text().contains(QStringLiteral("Kette: vollständig ab Beleg 10 (Anfang der Kette ungeprüft übernommen)")));
    }

    void damagedCopiesFail_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("number");
        QTest::addColumn<QString>("reason");
        QTest::newRow("receipt left out") << 0 << QByteArray("10") << QStringLiteral("passt nicht zum vorigen Beleg 8");
        QTest::newRow("two receipts swapped") << 1 << QByteArray("10") << QStringLiteral("gehört zu Beleg 9, nicht zum vorigen Beleg 11 (Reihenfolge vertauscht)");
        QTest::newRow("signature character changed") << 2 << QByteArray("14") << QStringLiteral("Signatur ungültig");
        QTest::newRow("wrong AES key") << 3 << QByteArray("1") << QStringLiteral("Umsatzzähler des Startbelegs");
        QTest::newRow("amount changed") << 4 << QByteArray("14") << QStringLiteral("Signatur ungültig");
        QTest::newRow("amount changed, counter") << 4 << QByteArray("14") << QStringLiteral("Umsatzzähler ist");
        QTest::newRow("group out of time order") << 5 << QByteArray("1") << QStringLiteral("Gruppen nicht in zeitlicher Reihenfolge");
        QTest::newRow("serial of the other device") << 7 << QByteArray("26") << QStringLiteral("Seriennummer 5A17C0DE01 ist nicht die des Signaturzertifikats");
        QTest::newRow("not issued by the group's CA") << 8 << QByteArray() << QStringLiteral("von keiner der angegebenen Zertifizierungsstellen");
        QTest::newRow("signature cut") << 9 << QByteArray("3") << QStringLiteral("kein Base64url-Text von 64 Bytes");
        QTest::newRow("unreadable payload") << 10 << QByteArray() << QStringLiteral("Datum/Uhrzeit");
    }

    void damagedCopiesFail()
    {
        QFETCH(int, kind);
        QFETCH(QByteArray, number);
        QFETCH(QString, reason);
        QList<Dep7Group> groups = m_life;
        QList<QByteArray> &first = groups[0].receipts; // receipts 1 to 24
        QList<QByteArray> &second = groups[1].receipts; // 25 to 40
        std::optional<QByteArray> key = m_journal.aesKey;
        switch (kind) {
        case 0: first.removeAt(8); break;
        case 1: first.swapItemsAt(9, 10); break;
        case 2: first[13] = changeSignatureCharacter(first[13]); break;
        case 3: key = QByteArray(32, 'k'); break;
        case 4: first[13] = Dep7TestJournal::withPayloadField(first[13], 5, "9999,99"); break;
        case 5: groups.swapItemsAt(0, 1); break;
        case 7: {
            rksv::RegisterSigner signer("KASSE-1", m_journal.aesKey);
            signer.useDevice(&m_journal.deviceKey1, m_journal.device1.serialHex());
            for (int n = 1; n <= 40; ++n) {
                if (n == 25) // the new device, but the old serial in the receipts
                    signer.useDevice(&m_journal.deviceKey2, m_journal.device1.serialHex());
                const QByteArray receipt = signer.next({QByteArray::number(n), "2019-02-01T10:00:00"});
                (n < 25 ? first[n - 1] : second[n - 25]) = receipt;
            }
            break;
        }
        case 8: groups[1].authorities = {m_journal.otherCa.base64()}; break;
        case 9: first[2].chop(3); break;
        case 10: first[5] = Dep7TestJournal::withPayloadField(first[5], 4, "2019-01-31 08:06:00"); break;
        }
        const rksv::Dep7CheckResult result = check(groups, key);
        QVERIFY(!result.passed());
        QVERIFY2(hasProblem(result, number, reason), qPrintable(problems(result).join(u'\n')));
        QVERIFY(result.text().endsWith(QStringLiteral("Prüfung nicht bestanden: %1 Fehler.").arg(result.errors)));
    }

    void registerRules()
    {
        rksv::RegisterSigner signer("KASSE-9", m_journal.aesKey);
        signer.useDevice(&m_journal.deviceKey1, m_journal.device1.serialHex());
        // A number that comes again, and a time that goes back.
        const Dep7Group group = m_journal.receipts(signer, {{"A-1", "2019-03-01T10:00:00"},
                                                            {"A-2", "2019-03-01T10:05:00"},
                                                            {"A-1", "2019-03-01T10:06:00"},
                                                            {"A-3", "2019-03-01T10:04:00"}});
        const rksv::Dep7CheckResult result = check({group});
        QVERIFY(hasProblem(result, "A-1", QStringLiteral("Belegnummer A-1 kommt mehrfach vor")));
        QVERIFY(hasProblem(result, "A-3", QStringLiteral("Datum 2019-03-01T10:04:00 liegt vor dem des vorigen Belegs A-1")));
        // The first receipt of the register carries the start value but
        // an amount.
        QVERIFY(hasProblem(result, "A-1", QStringLiteral("Der Startbeleg hat Beträge ungleich 0,00")));
        QCOMPARE(result.errors, 3);

        // After a failed device, a signed receipt that is no null receipt.
        rksv::RegisterSigner failing("KASSE-8", m_journal.aesKey);
        failing.useDevice(&m_journal.deviceKey1, m_journal.device1.serialHex());
        Dep7Group run = m_journal.group(m_journal.device1);
        run.receipts.append(failing.next({"1", "2019-03-01T10:00:00"}));
        run.receipts.append(failing.next({"2", "2019-03-01T10:01:00", {100, 0, 0, 0, 0}, {}, true}));
        run.receipts.append(failing.next({"3", "2019-03-01T10:02:00", {100, 0, 0, 0, 0}}));
        const rksv::Dep7CheckResult afterFailure = check({run}, m_journal.aesKey);
        QVERIFY(hasProblem(afterFailure, "3", QStringLiteral("ab Beleg 2) folgt kein signierter Nullbeleg")));
        QCOMPARE(afterFailure.errors, 1);

        // A file that ends while the device is out is noted, not failed.
        run.receipts.removeLast();
        const rksv::Dep7CheckResult stillOut = check({run}, m_journal.aesKey);
        QVERIFY(stillOut.passed());
        QCOMPARE(stillOut.notes, 1);
        QVERIFY(stillOut.text().contains(QStringLiteral("Hinweis: Beleg 2 (Kasse KASSE-8, Gruppe 1): Die Sicherheitseinrichtung ist seit Beleg 2")));

        // A start receipt with amounts, and one that is not signed.
        rksv::RegisterSigner starting("KASSE-7", m_journal.aesKey);
        starting.useDevice(&m_journal.deviceKey1, m_journal.device1.serialHex());
        const rksv::Dep7CheckResult withAmount = check({m_journal.group(m_journal.device1,
            {starting.next({"1", "2019-03-01T10:00:00", {100, 0, 0, 0, 0}})})}, m_journal.aesKey);
        QVERIFY(hasProblem(withAmount, "1", QStringLiteral("Der Startbeleg hat Beträge ungleich 0,00")));
        rksv::RegisterSigner unsignedStart("KASSE-6", m_journal.aesKey);
        unsignedStart.useDevice(nullptr, m_journal.device1.serialHex());
        const rksv::Dep7CheckResult notSigned = check({m_journal.group(m_journal.device1,
            {unsignedStart.next({"1", "2019-03-01T10:00:00", {}, {}, true})})});
        QVERIFY(hasProblem(notSigned, "1", QStringLiteral("Der Startbeleg ist nicht signiert")));
    }

    void severalRegistersInOneFile()
    {
        // Each register's chain is sound; the file still fails.
        QList<Dep7Group> groups = m_life;
        groups += m_journal.registerLife("KASSE-2", 30, 100);
        const rksv::Dep7CheckResult result = check(groups, m_journal.aesKey);
        QCOMPARE(result.registers.size(), size_t(2));
        QCOMPARE(result.registers[1].registerId, QByteArray("KASSE-2"));
        QCOMPARE(result.registers[1].chainBreaks, 0);
        QCOMPARE(result.registers[1].receipts, 30);
        QVERIFY(hasProblem(result, "1", QStringLiteral("mehrerer Kassen (zuerst KASSE-1, hier KASSE-2)")));
        QCOMPARE(result.errors, 1);

        // Receipts of two registers taking turns in one group: each chain
        // is followed on its own.
        const QList<Dep7Group> a = m_journal.registerLife("KASSE-A", 20, 100);
        const QList<Dep7Group> b = m_journal.registerLife("KASSE-B", 20, 100);
        Dep7Group mixed = m_journal.group(m_journal.device1);
        for (int i = 0; i < 20; ++i)
            mixed.receipts << a[0].receipts[i] << b[0].receipts[i];
        const rksv::Dep7CheckResult turns = check({mixed}, m_journal.aesKey);
        QCOMPARE(turns.errors, 1);
        QCOMPARE(turns.registers[0].chainBreaks + turns.registers[1].chainBreaks, 0);
    }

    void certificateForms()
    {
        // Two CA certificates as the register stores them, CA1","CA2 in one
        // text: the second issued the device's certificate.
        QList<Dep7Group> groups = m_life;
        groups[0].authorities = {m_journal.otherCa.base64() + "\",\"" + m_journal.ca.base64()};
        QVERIFY(check(groups).passed());
        groups[0].authorities = {m_journal.otherCa.base64()};
        QVERIFY(!check(groups).passed());

        // A certificate kept as PEM lines with CR LF, escaped in the JSON text.
        groups = m_life;
        groups[1].certificate = m_journal.device2.pem().replace("\n", "\\r\\n");
        const rksv::Dep7CheckResult pem = check(groups, m_journal.aesKey);
        QVERIFY2(pem.passed(), qPrintable(problems(pem).join(u'\n')));

        // Trust anchors: the chain must lead to one of them.
        const QString file = path(QStringLiteral("anchored.json"));
        Dep7TestJournal::write(file, m_life);
        std::vector<rksv::Certificate> anchors;
        anchors.push_back(rksv::Certificate::fromDer(m_journal.ca.der()));
        QVERIFY(checkFile(file, {}, std::move(anchors)).passed());
        std::vector<rksv::Certificate> others;
        others.push_back(rksv::Certificate::fromDer(m_journal.otherCa.der()));
        const rksv::Dep7CheckResult untrusted = checkFile(file, {}, std::move(others));
        QCOMPARE(untrusted.errors, 2); // once per group
        QVERIFY(untrusted.firstProblems.front().reason.contains(QStringLiteral("vertrauenswürdigen")));

        // A device certificate from an intermediate authority that the
        // group lists: the root as anchor, or the intermediate itself.
        const rksv::SigningKey intermediateKey = rksv::SigningKey::generate();
        const rksv::Certificate intermediate = rksv::CertificateIssuer::issue(
            {QStringLiteral("Zwischen-CA"), "03", intermediateKey.key(), &m_journal.ca, &m_journal.caKey, true});
        const rksv::Certificate device = rksv::CertificateIssuer::issue(
            {QStringLiteral("Kasse Gerät 3"), "5A17C0DE03", m_journal.deviceKey1.key(), &intermediate, &intermediateKey, false});
        rksv::RegisterSigner signer("KASSE-Z", m_journal.aesKey);
        signer.useDevice(&m_journal.deviceKey1, device.serialHex());
        const Dep7Group chained{device.base64(), {intermediate.base64()},
                                {signer.next({"1", "2019-03-01T10:00:00"}), signer.next({"2", "2019-03-01T10:01:00"})}};
        Dep7TestJournal::write(file, {chained});
        QVERIFY(checkFile(file).passed());
        for (const rksv::Certificate *anchor : std::initializer_list<const rksv::Certificate *>{&m_journal.ca, &intermediate}) {
            std::vector<rksv::Certificate> trusted;
            trusted.push_back(rksv::Certificate::fromDer(anchor->der()));
            const rksv::Dep7CheckResult result = checkFile(file, {}, std::move(trusted));
            QVERIFY2(result.passed(), qPrintable(problems(result).join(u'\n')));
        }
    }

    void filesThatAreNoDep7()
    {
        const QByteArray sound = Dep7TestJournal::file(m_life);
        const QList<QPair<QByteArray, QString>> cases = {
            {sound.left(sound.size() / 2), QStringLiteral("keine DEP-7-Datei")},
            {QByteArray("{\"Belege\": []}"), QStringLiteral("\"Belege-Gruppe\" fehlt")},
            {QByteArray("{\"Belege-Gruppe\": [{\"Belege-kompakt\": [1]}]}"),
             QStringLiteral("eine Zahl oder ein Wahrheitswert steht, wo ein Beleg (Text) erwartet wird")},
            {QByteArray("{\"Belege-Gruppe\": [{\"Signaturzertifikat\": null}]}"),
             QStringLiteral("null steht, wo das Signaturzertifikat (Text) erwartet wird")},
            {QByteArray("{\"Belege-Gruppe\": {}}"), QStringLiteral("ein Objekt steht, wo die Liste \"Belege-Gruppe\"")},
            {QByteArray(), QStringLiteral("leer")},
        };
        for (const auto &[bytes, reason] : cases) {
            const QString file = path(QStringLiteral("broken.json"));
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(bytes);
            out.close();
            const rksv::Dep7CheckResult result = checkFile(file);
            QVERIFY(!result.passed());
            QVERIFY2(result.firstProblems.back().reason.contains(reason), qPrintable(problems(result).join(u'\n')));
        }
        // No receipt at all: a period without receipts is what the
        // export's "no data" message is for.
        const QString empty = path(QStringLiteral("empty.json"));
        QFile emptyFile(empty);
        QVERIFY(emptyFile.open(QIODevice::WriteOnly));
        emptyFile.write("{ \"Belege-Gruppe\": [\r\n                   ]\r\n}\r\n");
        emptyFile.close();
        const rksv::Dep7CheckResult none = checkFile(empty);
        QVERIFY(!none.passed());
        QVERIFY(none.text().contains(QStringLiteral("  Datei: Die Datei enthält keine Belege\n")));
        const Run refused = run({QStringLiteral("--verify"), empty});
        QCOMPARE(refused.exitCode, 7);
        QVERIFY(refused.out.endsWith(QStringLiteral("Prüfung nicht bestanden: die Datei enthält keine Belege.\n")));

        // A byte order mark, keys the format does not know (one with a
        // Windows-1252 text), LF line ends.
        QByteArray other = "\xEF\xBB\xBF" + sound;
        other.replace("\r\n", "\n");
        other.replace("{ \"Belege-Gruppe\"", "{ \"Version\": {\"x\": [1, {}]}, \"Kassa\": \"Gr\xfc\xdf" "e\", \"Belege-Gruppe\"");
        other.replace("\"Belege-kompakt\"", "\"Kommentar\": [null, {\"a\": 1}], \"Belege-kompakt\"");
        const QString file = path(QStringLiteral("other.json"));
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(other);
        out.close();
        const rksv::Dep7CheckResult result = checkFile(file, m_journal.aesKey);
        QVERIFY2(result.passed(), qPrintable(problems(result).join(u'\n')));
        QCOMPARE(result.receipts, 40);
    }

    void findingsInFileOrderAcrossThreads()
    {
        // Enough receipts for many batches on several threads; the
        // findings still come in file order.
        const QList<Dep7Group> big = m_journal.registerLife("KASSE-G", 1500, 700);
        QList<Dep7Group> damaged = big;
        const QList<int> signatureFaults = {3, 300, 650, 1200};
        for (const int at : signatureFaults)
            damaged[at < 699 ? 0 : 1].receipts[at < 699 ? at : at - 699] =
                changeSignatureCharacter(damaged[at < 699 ? 0 : 1].receipts[at < 699 ? at : at - 699]);
        damaged[0].receipts.removeAt(400); // receipt 401 missing: 402 breaks the chain
        const QString file = path(QStringLiteral("big.json"));
        Dep7TestJournal::write(file, damaged);
        rksv::Dep7CheckOptions options;
        options.threads = 3;
        QList<qint64> positions;
        QStringList numbers;
        const rksv::Dep7CheckResult result = rksv::Dep7Check(std::move(options)).run(file, [&](const rksv::Dep7Problem &problem) {
            positions.append(problem.position);
            numbers.append(QString::fromLatin1(problem.receiptNumber));
        });
        // A changed receipt also breaks the chain to the next one.
        QCOMPARE(numbers.join(u' '), QStringLiteral("4 5 301 302 402 651 652 1201 1202"));
        QVERIFY(std::is_sorted(positions.begin(), positions.end()));
        QCOMPARE(result.errors, 9);
    }

    void programChecksAFile()
    {
        const QString good = path(QStringLiteral("DEPExport01.01.2019-31.01.2019.json"));
        Dep7TestJournal::write(good, m_life);
        const QString key = QString::fromLatin1(rksv::Base64::encode(m_journal.aesKey));
        const Run passed = run({QStringLiteral("--verify"), good, QStringLiteral("--aes-key"), key});
        QCOMPARE(passed.exitCode, 0);
        QVERIFY(passed.out.contains(QStringLiteral("Kasse KASSE-1\n")));
        QVERIFY(passed.out.contains(QStringLiteral("Umsatzzähler: geprüft")));
        QVERIFY2(passed.out.endsWith(QStringLiteral("Prüfung bestanden.\n")), qPrintable(passed.out + passed.err));

        // Trust anchors from a PEM file: the test CA, then another one.
        const QString anchors = path(QStringLiteral("anchors.pem"));
        const auto writeAnchors = [&](const QByteArray &pem) {
            QFile file(anchors);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(pem);
        };
        writeAnchors(m_journal.otherCa.pem() + m_journal.ca.pem());
        QCOMPARE(run({QStringLiteral("--verify"), good, QStringLiteral("--trust"), anchors}).exitCode, 0);
        writeAnchors(m_journal.otherCa.pem());
        const Run untrusted = run({QStringLiteral("--verify"), good, QStringLiteral("--trust"), anchors});
        QCOMPARE(untrusted.exitCode, 7);
        QVERIFY(untrusted.out.contains(QStringLiteral("  Gruppe 1: Signaturzertifikat führt zu keinem vertrauenswürdigen Zertifikat")));

        QList<Dep7Group> damaged = m_life;
        damaged[1].receipts[3] = changeSignatureCharacter(damaged[1].receipts[3]);
        const QString bad = path(QStringLiteral("damaged.json"));
        Dep7TestJournal::write(bad, damaged);
        const QString report = path(QStringLiteral("report.json"));
        const Run failed = run({QStringLiteral("--verify=") + bad, QStringLiteral("--report"), report,
                                QStringLiteral("--aes-key"), key});
        QCOMPARE(failed.exitCode, 7);
        QVERIFY(failed.out.contains(QStringLiteral("  Beleg 28 (Kasse KASSE-1, Gruppe 2): Signatur ungültig\n")));
        QVERIFY(failed.out.contains(QStringLiteral("  Beleg 29 (Kasse KASSE-1, Gruppe 2): Verkettung unterbrochen")));
        QVERIFY(failed.out.endsWith(QStringLiteral("Prüfung nicht bestanden: 2 Fehler.\n")));

        QFile reportFile(report);
        QVERIFY(reportFile.open(QIODevice::ReadOnly));
        QJsonParseError error;
        const QJsonObject json = QJsonDocument::fromJson(reportFile.readAll(), &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(json["bestanden"].toBool(true), false);
        QCOMPARE(json["fehler"].toInt(), 2);
        const QJsonObject checked = json["dateien"].toArray().at(0).toObject();
        QCOMPARE(checked["datei"].toString(), bad);
        QCOMPARE(checked["belege"].toInt(), 40);
        const QJsonObject finding = checked["befunde"].toArray().at(0).toObject();
        QCOMPARE(finding["beleg"].toString(), QStringLiteral("28"));
        QCOMPARE(finding["stelle"].toInt(), 28);
        QCOMPARE(finding["grund"].toString(), QStringLiteral("Signatur ungültig"));
        const QJsonObject kasse = checked["kassen"].toArray().at(0).toObject();
        QCOMPARE(kasse["kasse"].toString(), QStringLiteral("KASSE-1"));
        QCOMPARE(kasse["ausgefallen"].toInt(), 2);
        QCOMPARE(kasse["startbeleg"].toBool(), true);

        // Several files in one run: each gets its summary, the run fails.
        const Run both = run({QStringLiteral("--verify"), good, QStringLiteral("--verify"), bad, QStringLiteral("--quiet")});
        QCOMPARE(both.exitCode, 7);
        QVERIFY(!both.out.contains(good)); // --quiet: only what failed
        QVERIFY(both.out.contains(bad));
    }

    void programChecksWhatItExported()
    {
        // --verify beside --export dep7: the file the run has just written
        // is checked, whatever its receipts are.
        const QString folder = path(QStringLiteral("kassa"));
        QVERIFY(QDir().mkpath(folder));
        RegisterDatabase::write(folder + QStringLiteral("/VelmarFaktura.mdb"),
                                {.salesRows = 200, .logRows = 10, .password = QStringLiteral("geheim")});
        const QString report = path(QStringLiteral("export-report.json"));
        const Run r = run({QStringLiteral("--variant"), QStringLiteral("0"), QStringLiteral("--folder"), folder,
                           QStringLiteral("--password"), QStringLiteral("geheim"), QStringLiteral("--from"),
                           QStringLiteral("2017-03-01"), QStringLiteral("--to"), QStringLiteral("2019-03-01"),
                           QStringLiteral("--export"), QStringLiteral("dep7"), QStringLiteral("--verify"),
                           QStringLiteral("--report"), report},
                          austrianDates());
        const QString written = folder + QStringLiteral("/DEPExport01.03.2017-01.03.2019.json");
        QVERIFY(QFile::exists(written));
        QVERIFY2(r.out.startsWith(QStringLiteral("Prüfung von ") + written + u'\n'), qPrintable(r.out + r.err));
        const bool passed = r.out.endsWith(QStringLiteral("Prüfung bestanden.\n"));
        QVERIFY(passed || r.out.contains(QStringLiteral("Prüfung nicht bestanden: ")));
        QCOMPARE(r.exitCode, passed ? 0 : 7);
        QFile reportFile(report);
        QVERIFY(reportFile.open(QIODevice::ReadOnly));
        const QJsonObject json = QJsonDocument::fromJson(reportFile.readAll()).object();
        QCOMPARE(json["dateien"].toArray().at(0).toObject()["datei"].toString(), written);
        QCOMPARE(json["bestanden"].toBool(!passed), passed);

        // No data in the period: nothing to check, the export's own code.
        const Run none = run({QStringLiteral("--variant"), QStringLiteral("0"), QStringLiteral("--folder"), folder,
                              QStringLiteral("--password"), QStringLiteral("geheim"), QStringLiteral("--from"),
                              QStringLiteral("2010-01-01"), QStringLiteral("--to"), QStringLiteral("2010-12-31"),
                              QStringLiteral("--export"), QStringLiteral("dep7"), QStringLiteral("--verify")},
                             austrianDates());
        QCOMPARE(none.exitCode, 1);
        QCOMPARE(none.out, QString());
    }

    void programRefusesBadInput()
    {
        const QString good = path(QStringLiteral("input.json"));
        Dep7TestJournal::write(good, m_life);
        const QList<QPair<QStringList, QString>> cases = {
            {{QStringLiteral("--verify"), good, QStringLiteral("--aes-key"), QStringLiteral("c2hvcnQ=")},
             QStringLiteral("nicht Base64 von 32 Bytes")},
            {{QStringLiteral("--verify"), path(QStringLiteral("missing.json"))}, QStringLiteral("gibt es nicht")},
            {{QStringLiteral("--verify"), m_dir.path()}, m_dir.path() + QStringLiteral(" ist keine Datei.")},
            {{QStringLiteral("--verify"), QStringLiteral("/dev/zero")}, QStringLiteral("/dev/zero ist keine Datei.")},
            {{QStringLiteral("--verify"), QStringLiteral("/dev/null")}, QStringLiteral("/dev/null ist keine Datei.")},
            {{QStringLiteral("--verify"), good, QStringLiteral("--trust"), good}, QStringLiteral("kein PEM-Zertifikat")},
            {{QStringLiteral("--verify"), good, QStringLiteral("--export"), QStringLiteral("dep7")}, QStringLiteral("--verify DATEI")},
            {{QStringLiteral("--aes-key"), QStringLiteral("x")}, QStringLiteral("gehören zu --verify")},
            {{QStringLiteral("--verify"), QStringLiteral("--export"), QStringLiteral("log")}, QStringLiteral("--export dep7")},
        };
        for (const auto &[arguments, message] : cases) {
            const Run refused = run(arguments);
            QCOMPARE(refused.exitCode, 2);
            QVERIFY2(refused.err.contains(message), qPrintable(refused.err));
        }
    }
};

QTEST_GUILESS_MAIN(TestDep7Check)
#include "tst_dep7check.moc"
