#include "Dep7Check.h"
#include "Dep7Reader.h"
#include "Dep7TestJournal.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

// The verdicts of the DEP 7 check on files as other writers make them and
// on files that mean different things to different readers, each made of
// really signed receipts: what an auditor's verifier accepts passes, what
// it refuses fails with the reason, and the report says what was and was
// not checked.
class TestDep7Verdicts : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    Dep7TestJournal m_journal;
    QList<Dep7Group> m_life;     // KASSE-1, 40 receipts, device 2 from 25 on
    QList<Dep7Group> m_comeback; // KASSE-1, devices 1, 2 and 1 again (A, B, A)

    QString path(const QString &name) const { return m_dir.filePath(name); }

    QString write(const QByteArray &bytes, const QString &name = QStringLiteral("corpus.json")) const
    {
        const QString file = path(name);
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(file));
        return file;
    }

    rksv::Dep7CheckResult checkBytes(const QByteArray &bytes, std::optional<QByteArray> key = {},
                                     QList<rksv::Dep7Problem> *all = nullptr) const
    {
        return checkFile(write(bytes), std::move(key), all);
    }

    static rksv::Dep7CheckResult checkFile(const QString &file, std::optional<QByteArray> key = {},
                                           QList<rksv::Dep7Problem> *all = nullptr)
    {
        rksv::Dep7CheckOptions options;
        options.aesKey = std::move(key);
        return rksv::Dep7Check(std::move(options)).run(file, [all](const rksv::Dep7Problem &problem) {
            if (all)
                all->append(problem);
        });
    }

    static QString findings(const rksv::Dep7CheckResult &result)
    {
        QStringList lines;
        for (const rksv::Dep7Problem &problem : result.firstProblems)
            lines << problem.text();
        return lines.join(u'\n');
    }

    // The groups as a JSON library writes them: members sorted by name
    // (the receipts before the certificate), its own whitespace.
    static QByteArray sortedJson(const QList<Dep7Group> &groups, QJsonDocument::JsonFormat format)
    {
        QJsonArray list;
        for (const Dep7Group &group : groups) {
            QJsonObject object;
            object[QStringLiteral("Signaturzertifikat")] = QString::fromLatin1(group.certificate);
            QJsonArray authorities;
            for (const QByteArray &authority : group.authorities)
                authorities.append(QString::fromLatin1(authority));
            object[QStringLiteral("Zertifizierungsstellen")] = authorities;
            QJsonArray receipts;
            for (const QByteArray &receipt : group.receipts)
                receipts.append(QString::fromLatin1(receipt));
            object[QStringLiteral("Belege-kompakt")] = receipts;
            list.append(object);
        }
        return QJsonDocument(QJsonObject{{QStringLiteral("Belege-Gruppe"), list}}).toJson(format);
    }

    // The signature's last character with a stray bit beyond the 64 bytes.
    static QByteArray withStrayBit(const QByteArray &receipt)
    {
        static const QByteArray alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
        QByteArray changed = receipt;
        const qsizetype last = changed.size() - 1;
        changed[last] = alphabet.at(alphabet.indexOf(changed.at(last)) | 1);
        return changed;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_life = m_journal.registerLife("KASSE-1");

        rksv::RegisterSigner signer("KASSE-1", m_journal.aesKey);
        m_comeback = {m_journal.group(m_journal.device1), m_journal.group(m_journal.device2),
                      m_journal.group(m_journal.device1)};
        const QDateTime start(QDate(2019, 2, 1), QTime(10, 0));
        for (int n = 1; n <= 40; ++n) {
            const int group = n < 25 ? 0 : n < 35 ? 1 : 2;
            if (n == 1 || n == 25 || n == 35) {
                const bool first = group != 1;
                signer.useDevice(first ? &m_journal.deviceKey1 : &m_journal.deviceKey2,
                                 (first ? m_journal.device1 : m_journal.device2).serialHex());
            }
            rksv::RegisterSigner::Receipt receipt{QByteArray::number(n), start.addSecs(60 * n).toString(Qt::ISODate).toLatin1()};
            if (n > 1)
                receipt.sumsInCents = {100 * n, 20, 0, 0, 0};
            m_comeback[group].receipts.append(signer.next(receipt));
        }
    }

    // Files an auditor's verifier accepts, as other writers make them.
    void soundVariantsPass_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray ours = Dep7TestJournal::file(m_life);
        QTest::newRow("members sorted, compact") << sortedJson(m_life, QJsonDocument::Compact);
        QTest::newRow("members sorted, indented") << sortedJson(m_life, QJsonDocument::Indented);
        QTest::newRow("certificate comes back (A, B, A)") << Dep7TestJournal::file(m_comeback);
        QTest::newRow("certificate comes back, sorted") << sortedJson(m_comeback, QJsonDocument::Compact);
        QByteArray tabs = ours;
        QTest::newRow("tabs and LF") << tabs.replace("\r\n", "\n\t").replace("  ", "\t");
        QByteArray unicode = ours;
        unicode.replace(".", "\\u002E").replace("\"Signaturzertifikat\"", "\"Signatur\\u007Aertifikat\"");
        QTest::newRow("\\u escapes") << unicode;
        QByteArray slashes = ours;
        QVERIFY(slashes.contains('/'));
        QTest::newRow("\\/ escapes") << slashes.replace("/", "\\/");
        QTest::newRow("byte order mark") << "\xEF\xBB\xBF" + ours;
        // The authority list last, after the receipts.
        QByteArray authoritiesLast = ours;
        for (const Dep7Group &group : m_life) {
            const QByteArray line = "      \"Zertifizierungsstellen\":[\"" + group.authorities.join("\",\"") + "\"],\r\n";
            authoritiesLast.replace(line, QByteArray());
        }
        authoritiesLast.replace("]\r\n      }", "],\"Zertifizierungsstellen\":[\"" + m_journal.ca.base64() + "\"]\r\n      }");
        QTest::newRow("authorities after the receipts") << authoritiesLast;
    }

    void soundVariantsPass()
    {
        QFETCH(QByteArray, bytes);
        QList<rksv::Dep7Problem> all;
        const rksv::Dep7CheckResult result = checkBytes(bytes, m_journal.aesKey, &all);
        QVERIFY2(result.passed(), qPrintable(findings(result)));
        QCOMPARE(result.receipts, 40);
        QCOMPARE(result.notes, 0);
        QCOMPARE(result.registers.size(), size_t(1));
        QCOMPARE(result.registers.front().firstNumber, QByteArray("1"));
        QCOMPARE(result.registers.front().lastNumber, QByteArray("40"));
        // Not even a note.
        QVERIFY(all.isEmpty());
    }

    // Files that failed or passed wrongly before, with their verdict now.
    void wrongVerdictsMended_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("finding");
        const QByteArray ours = Dep7TestJournal::file(m_life);
        const QByteArray ending = "\r\n" + QByteArray(19, ' ') + "]\r\n}\r\n";
        QVERIFY(ours.endsWith(ending));

        // Last-wins readers see no receipt, first-wins readers all of them.
        QTest::newRow("Belege-Gruppe twice, the second empty")
            << ours.chopped(5) + ",\"Belege-Gruppe\":[]\r\n}\r\n"
            << QStringLiteral("Datei: Die Datei ist keine DEP-7-Datei: das Feld \"Belege-Gruppe\" steht zweimal im selben "
                              "Objekt, die Datei ist mehrdeutig");
        QByteArray twoCertificates = ours;
        twoCertificates.replace("     {\r\n      \"Signaturzertifikat\"",
                                "     {\r\n      \"Signaturzertifikat\":\"" + m_journal.device2.base64()
                                    + "\",\r\n      \"Signaturzertifikat\"");
        QTest::newRow("Signaturzertifikat twice in a group")
            << twoCertificates << QStringLiteral("das Feld \"Signaturzertifikat\" steht zweimal");
        QTest::newRow("a member twice in an unknown object")
            << QByteArray(ours).replace("{ \"Belege-Gruppe\"", "{ \"Version\": {\"a\": 1, \"b\": [{\"a\": 2, \"a\": 3}]}, \"Belege-Gruppe\"")
            << QStringLiteral("das Feld \"a\" steht zweimal");

        QByteArray withoutList = ours;
        const qsizetype second = withoutList.lastIndexOf("\"Belege-kompakt\"");
        withoutList.replace(second, 16, "\"Belege-Kompakt\"");
        QTest::newRow("group without Belege-kompakt")
            << withoutList << QStringLiteral("Gruppe 2: Die Liste \"Belege-kompakt\" fehlt");
        QJsonDocument notAList = QJsonDocument::fromJson(sortedJson(m_life, QJsonDocument::Compact));
        QJsonObject root = notAList.object();
        QJsonArray groups = root[QStringLiteral("Belege-Gruppe")].toArray();
        QJsonObject group = groups[1].toObject();
        group[QStringLiteral("Belege-kompakt")] = QJsonObject{{QStringLiteral("1"), QStringLiteral("x")}};
        groups[1] = group;
        root[QStringLiteral("Belege-Gruppe")] = groups;
        QTest::newRow("Belege-kompakt not a list")
            << QJsonDocument(root).toJson(QJsonDocument::Compact)
            << QStringLiteral("ein Objekt steht, wo die Liste \"Belege-kompakt\" erwartet wird, in Gruppe 2");

        QTest::newRow("no receipts") << QByteArray("{\"Belege-Gruppe\":[]}")
                                     << QStringLiteral("Datei: Die Datei enthält keine Belege");

        QList<Dep7Group> stray = m_life;
        stray[0].receipts[5] = withStrayBit(stray[0].receipts[5]);
        QTest::newRow("signature with a stray bit")
            << Dep7TestJournal::file(stray)
            << QStringLiteral("Beleg 6 (Kasse KASSE-1, Gruppe 1): Signatur nicht in kanonischer Base64url-Form");

        QList<Dep7Group> longCertificate = m_life;
        longCertificate[1].certificate = QByteArray(70000, 'A');
        QTest::newRow("certificate text over 64 KiB")
            << Dep7TestJournal::file(longCertificate) << QStringLiteral("ein Text ist länger als 65.536 Bytes");

        QList<Dep7Group> range = m_life;
        range[0].receipts[3] = Dep7TestJournal::withPayloadField(range[0].receipts[3], 5, "12345678901234567,00");
        QTest::newRow("amount out of range")
            << Dep7TestJournal::file(range)
            << QStringLiteral("Betrag Normal '12345678901234567,00' liegt außerhalb des Wertebereichs");
    }

    void wrongVerdictsMended()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, finding);
        const rksv::Dep7CheckResult result = checkBytes(bytes, m_journal.aesKey);
        QVERIFY(!result.passed());
        QVERIFY2(findings(result).contains(finding), qPrintable(findings(result)));
        // The errors of the registers and those of none add up.
        qint64 sum = result.unassignedErrors;
        for (const rksv::Dep7RegisterSummary &r : result.registers)
            sum += r.errors;
        QCOMPARE(sum, result.errors);
    }

    void fileWithoutReceiptsFails()
    {
        const rksv::Dep7CheckResult none = checkBytes("{ \"Belege-Gruppe\": [\r\n                   ]\r\n}\r\n");
        QVERIFY(!none.passed());
        QVERIFY(none.noReceipts);
        QVERIFY(none.text().endsWith(QStringLiteral("\nPrüfung nicht bestanden: die Datei enthält keine Belege.")));
    }

    void whatWasChecked()
    {
        // Without trust anchors the file's own authorities are all there is.
        const rksv::Dep7CheckResult sound = checkBytes(Dep7TestJournal::file(m_life));
        QVERIFY(sound.passed());
        QVERIFY(!sound.trustAnchorsUsed);
        QVERIFY(sound.text().contains(
            QStringLiteral("\n  Umsatzzähler: nicht geprüft (ohne --aes-key)\n"
                           "  Zertifikate: nur gegen die Zertifizierungsstellen der Datei geprüft (ohne --trust)\n")));

        // A period's export: the chain's start is told beside the verdict.
        QList<Dep7Group> period = m_life;
        period[0].receipts = period[0].receipts.mid(9);
        const rksv::Dep7CheckResult later = checkBytes(Dep7TestJournal::file(period), m_journal.aesKey);
        QVERIFY2(later.passed(), qPrintable(findings(later)));
        QCOMPARE(later.notes, 1);
        QVERIFY2(later.text().endsWith(QStringLiteral("\nHinweis: Kasse KASSE-1: Kette beginnt bei Beleg 10; der Anfang "
                                                      "wurde nicht geprüft\nPrüfung bestanden.")),
                 qPrintable(later.text()));

        // First and last in chain order, whatever the file's order.
        QList<Dep7Group> swapped = m_life;
        swapped.swapItemsAt(0, 1);
        const rksv::Dep7CheckResult order = checkBytes(Dep7TestJournal::file(swapped));
        QVERIFY(!order.passed());
        QCOMPARE(order.registers.front().firstNumber, QByteArray("1"));
        QCOMPARE(order.registers.front().lastNumber, QByteArray("40"));
        QVERIFY(order.registers.front().startsWithStartReceipt);
        QVERIFY(order.text().contains(QStringLiteral("  Kette: unterbrochen an 1 Stelle\n")));

        // One receipt in one group.
        QList<Dep7Group> one = m_life.mid(0, 1);
        one[0].receipts = one[0].receipts.mid(0, 1);
        const QString text = checkBytes(Dep7TestJournal::file(one)).text();
        QVERIFY2(text.contains(QStringLiteral("\n1 Beleg in 1 Gruppe\n")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("\n  Belege: 1 in 1 Gruppe\n")));

        // A group's findings count under the register of its receipts.
        QList<Dep7Group> otherCa = m_life;
        otherCa[1].authorities = {m_journal.otherCa.base64()};
        const rksv::Dep7CheckResult group = checkBytes(Dep7TestJournal::file(otherCa));
        QCOMPARE(group.errors, 1);
        QCOMPARE(group.registers.front().errors, 1);
        QCOMPARE(group.firstProblems.front().registerId, QByteArray("KASSE-1"));

        // Serials in one form: hexadecimal, upper case.
        rksv::RegisterSigner signer("KASSE-S", m_journal.aesKey);
        signer.useDevice(&m_journal.deviceKey2, m_journal.device1.serialHex().toLower());
        const Dep7Group serial = m_journal.group(m_journal.device2, {signer.next({"1", "2019-03-01T10:00:00"})});
        QVERIFY(findings(checkBytes(Dep7TestJournal::file({serial})))
                    .contains(QStringLiteral("Seriennummer 5A17C0DE01 ist nicht die des Signaturzertifikats der Gruppe (5A17C0DE02)")));
    }

    void oneFaultOneFinding()
    {
        // The start receipt moved behind receipt 5: the chain says so; no
        // counter is blamed.
        QList<Dep7Group> moved = m_life;
        moved[0].receipts.move(0, 5);
        const rksv::Dep7CheckResult start = checkBytes(Dep7TestJournal::file(moved), m_journal.aesKey);
        QVERIFY(!start.passed());
        QVERIFY2(!findings(start).contains(QStringLiteral("Umsatzzähler")), qPrintable(findings(start)));
        QVERIFY(findings(start).contains(QStringLiteral("Beleg 1 (Kasse KASSE-1, Gruppe 1): Verkettung unterbrochen: der "
                                                        "Verkettungswert ist der eines Startbelegs, aber Beleg 6 geht voran")));

        // An unreadable receipt is one finding; the next is not blamed.
        QList<Dep7Group> unreadable = m_life;
        unreadable[0].receipts[5] = Dep7TestJournal::withPayloadField(unreadable[0].receipts[5], 4, "2019-01-31 08:06:00");
        const rksv::Dep7CheckResult one = checkBytes(Dep7TestJournal::file(unreadable), m_journal.aesKey);
        QCOMPARE(one.errors, 1);
        QCOMPARE(one.registers.front().errors, 1);
        QVERIFY2(findings(one).startsWith(QStringLiteral("Beleg an Stelle 6 (Kasse KASSE-1, Gruppe 1): ")),
                 qPrintable(findings(one)));
    }

    void notAFile()
    {
        const QString empty = write(QByteArray(), QStringLiteral("empty.json"));
        const QList<QPair<QString, QString>> cases = {
            {m_dir.path(), m_dir.path() + QStringLiteral(" ist keine Datei.")},
            {QStringLiteral("/dev/zero"), QStringLiteral("/dev/zero ist keine Datei.")},
            {QStringLiteral("/dev/null"), QStringLiteral("/dev/null ist keine Datei.")},
            {empty, QStringLiteral("Die Datei ") + empty + QStringLiteral(" ist leer.")},
        };
        for (const auto &[file, message] : cases) {
            const rksv::Dep7CheckResult result = checkFile(file);
            QVERIFY(!result.passed());
            QVERIFY(!result.noReceipts);
            QCOMPARE(result.firstProblems.front().text(), QStringLiteral("Datei: ") + message);
        }
    }

    void findingsOfOneKindBounded()
    {
        // Junk receipts: each a finding, the first ones kept in full, the
        // rest counted.
        Dep7Group junk = m_journal.group(m_journal.device1);
        const qint64 count = rksv::Dep7CheckResult::maxFindingsPerKind + 250;
        for (qint64 i = 0; i < count; ++i)
            junk.receipts.append("x");
        QList<rksv::Dep7Problem> all;
        const rksv::Dep7CheckResult result = checkBytes(Dep7TestJournal::file({junk}), {}, &all);
        QCOMPARE(result.errors, count);
        QCOMPARE(all.size(), rksv::Dep7CheckResult::maxFindingsPerKind + 1);
        QCOMPARE(all.back().text(),
                 QStringLiteral("Datei: und 250 weitere Befunde dieser Art (wie: Beleg ist kein kompakter JWS aus drei "
                                "durch '.' getrennten Teilen)"));
        QCOMPARE(result.unassignedErrors, count);
        QVERIFY(result.text().contains(QStringLiteral("\nFehler ohne Kasse (Datei, Gruppen ohne lesbaren Beleg): 1.250\n")));
    }
};

QTEST_GUILESS_MAIN(TestDep7Verdicts)
#include "tst_dep7verdicts.moc"
