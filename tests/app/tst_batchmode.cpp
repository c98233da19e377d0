#include "ProgramRun.h"
#include "RegisterDatabase.h"
#include "SalesTestDatabase.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <sys/stat.h>

// The batch mode as scripts use it: the real program, started with
// arguments, on a register database written by our Jet writer.
class TestBatchMode : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QString m_folder;

    using Run = ProgramRun;

    // Runs the program with `locale` (NAME=VALUE settings) in place of the
    // locale variables of the test's own environment; further variables may
    // be set the same way.
    Run run(const QStringList &arguments, const QStringList &locale = {QStringLiteral("LC_ALL=de_AT.UTF-8")})
    {
        return ProgramRun::start(QStringLiteral(DEPEXPORT_BINARY), arguments, m_home.path(), locale);
    }

    // Runs the program under the German locale with the fault library
    // preloaded, failing calls on files in the folder as `fault` says.
    Run runWithFault(const QStringList &arguments, const QStringList &fault)
    {
        return run(arguments, {QStringLiteral("LC_ALL=de_AT.UTF-8"), QStringLiteral("LD_PRELOAD=" FAULTSHIM),
                               QStringLiteral("DEPEXPORT_FAULT_DIR=") + m_folder,
                               QStringLiteral("DEPEXPORT_FAULT=") + fault.join(u':')});
    }

    QStringList databaseArguments(const QString &password = QStringLiteral("geheim"))
    {
        return {QStringLiteral("--variant"), QStringLiteral("0"), QStringLiteral("--folder"), m_folder,
                QStringLiteral("--password"), password};
    }

    // The receipts of a DEP 7 file, read with a JSON parser.
    static QStringList receipts(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {QStringLiteral("(missing) ") + path};
        QJsonParseError error;
        const QJsonDocument json = QJsonDocument::fromJson(file.readAll(), &error);
        if (error.error != QJsonParseError::NoError)
            return {QStringLiteral("(invalid) ") + error.errorString()};
        QStringList result;
        for (const QJsonValue group : json[QStringLiteral("Belege-Gruppe")].toArray())
            for (const QJsonValue receipt : group[QStringLiteral("Belege-kompakt")].toArray())
                result << receipt.toString();
        return result;
    }

    QStringList folderEntries() const
    {
        return QDir(m_folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    }

    static QByteArray fileBytes(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    static void writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(bytes), bytes.size());
    }

    void removeExports()
    {
        QDir dir(m_folder);
        for (const QString &name : dir.entryList({QStringLiteral("*.csv"), QStringLiteral("*.json")}, QDir::Files))
            dir.remove(name);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        m_folder = m_home.path() + QStringLiteral("/kassa");
        QVERIFY(QDir().mkpath(m_folder));
        RegisterDatabase::write(m_folder + QStringLiteral("/VelmarFaktura.mdb"),
                                {.salesRows = 1000, .logRows = 50, .password = QStringLiteral("geheim")});
    }

    void init() { removeExports(); }

    void helpAndBadArguments()
    {
        const Run help = run({QStringLiteral("--help")});
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.contains(QStringLiteral("--variant N")));

        const struct {
            QStringList arguments;
            QString message;
        } bad[] = {
            {{QStringLiteral("--frobnicate")}, QStringLiteral("Unbekannte Option '--frobnicate'.")},
            {{QStringLiteral("--variant"), QStringLiteral("6")}, QStringLiteral("keine Programmversion")},
            {{QStringLiteral("--variant")}, QStringLiteral("--variant braucht einen Wert.")},
            {{QStringLiteral("--from"), QStringLiteral("31.02.2019")}, QStringLiteral("kein gültiges Datum")},
            {{QStringLiteral("--export"), QStringLiteral("dep131,csv")}, QStringLiteral("'csv' ist kein Export")},
        };
        for (const auto &c : bad) {
            const Run r = run(c.arguments);
            QCOMPARE(r.exitCode, 2);
            QVERIFY2(r.err.contains(c.message), qPrintable(r.err));
            QVERIFY(r.err.contains(QStringLiteral("Aufruf: DepExport")));
        }
        // no variant chosen: the window's own message
        const Run none = run({QStringLiteral("--folder"), m_folder});
        QCOMPARE(none.exitCode, 2);
        QVERIFY(none.err.contains(QStringLiteral("keine Programmversion ausgewählt!")));
    }

    void allThreeExports()
    {
        const Run r = run(databaseArguments() + QStringList{QStringLiteral("--from"), QStringLiteral("01.03.2017"),
                                                            QStringLiteral("--to"), QStringLiteral("2019-03-01")});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QVERIFY(QFile::exists(m_folder + QStringLiteral("/DEP_131.csv")));
        QVERIFY(QFile::exists(m_folder + QStringLiteral("/LOG.csv")));
        // window-format and ISO dates give the same period texts
        QVERIFY(QFile::exists(m_folder + QStringLiteral("/DEPExport01.03.2017-01.03.2019.json")));
        QVERIFY(r.err.contains(QStringLiteral("Exportdatei DEPExport befindet sich im Ordner ") + m_folder));
        QFile dep131(m_folder + QStringLiteral("/DEP_131.csv"));
        QVERIFY(dep131.open(QIODevice::ReadOnly));
        QVERIFY(dep131.readLine().startsWith("ID_Barverkaufspositionen;Barverkauf_nr;Firma;Kassa;"));

        const Run quiet = run(databaseArguments() + QStringList{QStringLiteral("--from"), QStringLiteral("2017-03-01"),
                                                                QStringLiteral("--export"), QStringLiteral("log"),
                                                                QStringLiteral("--quiet")});
        QCOMPARE(quiet.exitCode, 0);
        QCOMPARE(quiet.err, QString());
    }

    // --kassa: one DEP 7 file per register, which together hold the
    // receipts of the export of all registers. Each passes the check with
    // the registers' AES key and the test CA as trust anchor: signatures,
    // chain from the start receipt, counters, the failed device's run and
    // the replaced card's groups in time order. The file of all registers
    // does not. A register without receipts gives no file, a number that is
    // none is bad input.
    void oneRegisterPerFile()
    {
        const QString database = m_folder + QStringLiteral("/VelmarFaktura.mdb");
        const QStringList period{QStringLiteral("--from"), QStringLiteral("2017-03-01"), QStringLiteral("--to"),
                                 QStringLiteral("2019-03-01"), QStringLiteral("--export"), QStringLiteral("dep7")};
        QFile keyFile(RegisterDatabase::aesKeyFile(database));
        QVERIFY(keyFile.open(QIODevice::ReadOnly));
        const QStringList check{QStringLiteral("--verify"), QStringLiteral("--aes-key"),
                                QString::fromLatin1(keyFile.readAll().trimmed()), QStringLiteral("--trust"),
                                RegisterDatabase::authorityFile(database)};

        const Run all = run(databaseArguments() + period + check);
        QCOMPARE(all.exitCode, 7);
        QVERIFY2(all.out.contains(QStringLiteral("Belege mehrerer Kassen")), qPrintable(all.out));
        QVERIFY2(all.out.contains(QStringLiteral("Gruppen nicht in zeitlicher Reihenfolge")), qPrintable(all.out));
        const QStringList allReceipts = receipts(m_folder + QStringLiteral("/DEPExport01.03.2017-01.03.2019.json"));
        QVERIFY(allReceipts.size() > 100);

        QStringList perRegister;
        QList<QStringList> ofRegister;
        QString summaries;
        for (int cashRegister = 1; cashRegister <= 3; ++cashRegister) {
            const Run one = run(databaseArguments() + period + QStringList{QStringLiteral("--kassa"), QString::number(cashRegister)}
                                + check);
            QVERIFY2(one.exitCode == 0, qPrintable(one.out + one.err));
            QVERIFY(one.out.contains(QStringLiteral("Kasse KASSE-%1\n").arg(cashRegister)));
            QVERIFY(one.out.contains(QStringLiteral("Kette: vollständig ab dem Startbeleg")));
            QVERIFY(one.out.contains(QStringLiteral("Umsatzzähler: geprüft")));
            QVERIFY(one.out.endsWith(QStringLiteral("Prüfung bestanden.\n")));
            summaries += one.out;
            const QStringList own = receipts(m_folder + QStringLiteral("/DEPExport01.03.2017-01.03.2019_Kassa%1.json").arg(cashRegister));
            QVERIFY(!own.isEmpty());
            perRegister += own;
            ofRegister << own;
        }
        // --kassa all: the same files in one run, each checked.
        for (int cashRegister = 1; cashRegister <= 3; ++cashRegister)
            QVERIFY(QFile::remove(m_folder + QStringLiteral("/DEPExport01.03.2017-01.03.2019_Kassa%1.json").arg(cashRegister)));
        const Run each = run(databaseArguments() + period + QStringList{QStringLiteral("--kassa"), QStringLiteral("all")} + check);
        QVERIFY2(each.exitCode == 0, qPrintable(each.out + each.err));
        QCOMPARE(each.out.count(QStringLiteral("Prüfung bestanden.\n")), 3);
        for (int cashRegister = 1; cashRegister <= 3; ++cashRegister)
            QCOMPARE(receipts(m_folder + QStringLiteral("/DEPExport01.03.2017-01.03.2019_Kassa%1.json").arg(cashRegister)),
                     ofRegister.at(cashRegister - 1));
        QStringList sortedAll = allReceipts;
        sortedAll.sort();
        perRegister.sort();
        QCOMPARE(perRegister, sortedAll);
        // What the register database promises is there: training and
        // cancellation receipts, register 2's failed device, register 3's
        // second card.
        const auto counted = [&summaries](const QString &what) {
            int total = 0;
            const QRegularExpression number(what + QStringLiteral(": (\\d+)"));
            for (auto m = number.globalMatch(summaries); m.hasNext();)
                total += m.next().captured(1).toInt();
            return total;
        };
        QVERIFY(counted(QStringLiteral("Training")) > 0);
        QVERIFY(counted(QStringLiteral("Storno")) > 0);
        QCOMPARE(counted(QStringLiteral("Sicherheitseinrichtung ausgefallen")), 3);
        QVERIFY2(summaries.contains(QRegularExpression(QStringLiteral("Kasse KASSE-3\n  Belege: \\d+ in 2 Gruppen"))),
                 qPrintable(summaries));

        const Run none = run(databaseArguments() + period + QStringList{QStringLiteral("--kassa=77")});
        QCOMPARE(none.exitCode, 1);
        QVERIFY(none.err.contains(QStringLiteral("keine Daten für Export!")));
        QVERIFY(!QFile::exists(m_folder + QStringLiteral("/DEPExport01.03.2017-01.03.2019_Kassa77.json")));

        const Run bad = run(databaseArguments() + period + QStringList{QStringLiteral("--kassa"), QStringLiteral("zwei")});
        QCOMPARE(bad.exitCode, 2);
        QVERIFY2(bad.err.contains(QStringLiteral("--kassa: 'zwei' ist keine Kassennummer")), qPrintable(bad.err));
    }

    // The DEP 131 and LOG files of the whole register in `locale`.
    QList<QByteArray> exportedFiles(const QStringList &locale)
    {
        removeExports();
        const Run r = run(databaseArguments() + QStringList{QStringLiteral("--from"), QStringLiteral("2000-01-01"),
                                                            QStringLiteral("--to"), QStringLiteral("2030-12-31"),
                                                            QStringLiteral("--export"), QStringLiteral("dep131,log")},
                          locale);
        if (r.exitCode != 0)
            qWarning().noquote() << r.err;
        QList<QByteArray> files;
        for (const char *name : {"/DEP_131.csv", "/LOG.csv"}) {
            QFile file(m_folder + QLatin1String(name));
            files << (file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
        }
        return files;
    }

    // Number texts never follow the C library's locale: a German LC_NUMERIC
    // alone, any language, the C locale (which gets Austria's formats) all
    // give the files of an Austrian desktop byte for byte; a US desktop
    // differs in the date-time cells only, which follow its date order and
    // 12-hour clock with the run's separators.
    void valueTextsWhateverTheLocale()
    {
        const QList<QByteArray> austrian = exportedFiles({QStringLiteral("LC_ALL=de_AT.UTF-8")});
        QVERIFY(austrian[0].contains(";-21,9;") && austrian[0].contains(";0;") && austrian[0].contains(";0,5;"));
        QVERIFY(austrian[1].contains(":00;") && austrian[1].count('\n') > 10);
        QCOMPARE(exportedFiles({QStringLiteral("LC_ALL=C")}), austrian);
        QCOMPARE(exportedFiles({QStringLiteral("LANG=C"), QStringLiteral("LC_NUMERIC=de_AT.UTF-8")}), austrian);
        QCOMPARE(exportedFiles({QStringLiteral("LANG=de_AT.UTF-8")}), austrian);
        QCOMPARE(exportedFiles({}), austrian);

        const QList<QByteArray> us = exportedFiles({QStringLiteral("LC_ALL=en_US.UTF-8")});
        const int dateColumn[] = {4, 1};
        bool sawAfternoon = false;
        for (int f = 0; f < 2; ++f) {
            const QList<QByteArray> austrianRows = austrian[f].split('\n');
            const QList<QByteArray> usRows = us[f].split('\n');
            QCOMPARE(usRows.size(), austrianRows.size());
            QCOMPARE(usRows.first(), austrianRows.first());
            for (qsizetype row = 1; row < usRows.size(); ++row) {
                QList<QByteArray> expected = austrianRows[row].split(';');
                if (expected.size() <= dateColumn[f])
                    continue;
                QByteArray &cell = expected[dateColumn[f]];
                const QString text = QString::fromLatin1(cell);
                const bool dateOnly = text.size() == 10;
                const QDateTime time = QDateTime::fromString(
                    text, dateOnly ? QStringLiteral("dd.MM.yyyy") : QStringLiteral("dd.MM.yyyy HH:mm:ss"));
                QVERIFY2(time.isValid(), cell.constData());
                cell = QLocale::c()
                           .toString(time, dateOnly ? QStringLiteral("M.d.yyyy") : QStringLiteral("M.d.yyyy h:mm:ss AP"))
                           .toLatin1();
                sawAfternoon = sawAfternoon || cell.contains(" PM");
                QCOMPARE(usRows[row], expected.join(';'));
            }
        }
        QVERIFY(sawAfternoon);
    }

    void noDataInPeriod()
    {
        const Run r = run(databaseArguments() + QStringList{QStringLiteral("--from"), QStringLiteral("2010-01-01"),
                                                            QStringLiteral("--to"), QStringLiteral("2010-12-31")});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.err.contains(QStringLiteral("keine Daten für Export!")));
        QVERIFY(QDir(m_folder).entryList({QStringLiteral("*.csv"), QStringLiteral("*.json")}).isEmpty());
    }

    void connectionFailure()
    {
        const Run r = run(databaseArguments(QStringLiteral("falsch")));
        QCOMPARE(r.exitCode, 3);
        QVERIFY(r.err.contains(QStringLiteral("Fehler Datenbankverbiundung\nÜberprüfen Sie die Eingaben!")));
        QVERIFY(r.err.contains(QStringLiteral("Kennwort")));
        // the first failed connection ends the run: one message, not three
        QCOMPARE(r.err.count(QStringLiteral("Fehler Datenbankverbiundung")), 1);
    }

    void writeFailure()
    {
        // a folder in the way of the file: the export cannot put its file there
        QVERIFY(QDir(m_folder).mkdir(QStringLiteral("DEP_131.csv")));
        const Run r = run(databaseArguments() + QStringList{QStringLiteral("--from"), QStringLiteral("2017-03-01"),
                                                            QStringLiteral("--export"), QStringLiteral("dep131,log")});
        QDir(m_folder).rmdir(QStringLiteral("DEP_131.csv"));
        QCOMPARE(r.exitCode, 4);
        QVERIFY(r.err.contains(QStringLiteral("Fehler beim Datenexport.")));
        // the other export still ran
        QVERIFY(QFile::exists(m_folder + QStringLiteral("/LOG.csv")));
    }

    // Each export on a disk that fills up near the end of its file, on a
    // share that reports its failure only at fsync or close, on a read-only
    // mount: exit code 4, the reason in German, the earlier file unchanged
    // and no temporary file left.
    void failingDiskKeepsTheEarlierFile_data()
    {
        QTest::addColumn<QString>("which");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("DEP 7") << "dep7" << "DEPExport01.03.2017-01.03.2019.json";
        QTest::newRow("DEP 131") << "dep131" << "DEP_131.csv";
        QTest::newRow("LOG") << "log" << "LOG.csv";
    }

    void failingDiskKeepsTheEarlierFile()
    {
        QFETCH(QString, which);
        QFETCH(QString, fileName);
        const QStringList arguments = databaseArguments() + QStringList{QStringLiteral("--from"), QStringLiteral("2017-03-01"),
                                                                          QStringLiteral("--to"), QStringLiteral("2019-03-01"),
                                                                          QStringLiteral("--export"), which};
        const QString target = m_folder + u'/' + fileName;
        const Run complete = run(arguments);
        QCOMPARE(complete.exitCode, 0);
        const qint64 size = QFileInfo(target).size();
        QVERIFY(size > 1000);
        const QByteArray earlier = "earlier export\r\n";
        writeFile(target, earlier);
        const QStringList before = folderEntries();

        const struct {
            QStringList fault;
            int error;
            const char *reason;
        } faults[] = {
            {{QStringLiteral("write"), QString::number(ENOSPC), QString::number(size - 1)}, ENOSPC, "nicht genug Speicherplatz"},
            {{QStringLiteral("write"), QString::number(ENOSPC), QString::number(size - 700)}, ENOSPC, "nicht genug Speicherplatz"},
            {{QStringLiteral("write"), QString::number(ENOSPC), QStringLiteral("0")}, ENOSPC, "nicht genug Speicherplatz"},
            {{QStringLiteral("write"), QString::number(EDQUOT), QString::number(size / 2)}, EDQUOT, "Kontingent"},
            {{QStringLiteral("fsync"), QString::number(EIO)}, EIO, "Ein-/Ausgabefehler"},
            {{QStringLiteral("close"), QString::number(EIO)}, EIO, "Ein-/Ausgabefehler"},
            {{QStringLiteral("rename"), QString::number(EXDEV)}, EXDEV, "anderen Datenträger"},
            {{QStringLiteral("create"), QString::number(EROFS)}, EROFS, "schreibgeschützt"},
        };
        for (const auto &f : faults) {
            const Run r = runWithFault(arguments, f.fault);
            const QString where = f.fault.join(u':') + QStringLiteral(": ") + r.err;
            QVERIFY2(r.exitCode == 4, qPrintable(where));
            QVERIFY2(r.err.contains(fileName) && r.err.contains(QString::fromUtf8(f.reason)), qPrintable(where));
            QVERIFY2(!r.err.contains(QStringLiteral("befindet sich im Ordner")), qPrintable(where));
            for (const char *english : {"Unknown error", "No space", "Input/output", "Permission denied", "Read-only"})
                QVERIFY2(!r.err.contains(QLatin1String(english)), qPrintable(where));
            QVERIFY2(fileBytes(target) == earlier, qPrintable(where));
            QCOMPARE(folderEntries(), before);
        }
    }

    // The DEP 7 file's name is a link to a file elsewhere: the link is
    // replaced, the file it pointed to stays. In a folder closed to new
    // files the file is written in place.
    void linkAndClosedFolder()
    {
        const QStringList arguments = databaseArguments() + QStringList{QStringLiteral("--from"), QStringLiteral("2017-03-01"),
                                                                          QStringLiteral("--to"), QStringLiteral("2019-03-01"),
                                                                          QStringLiteral("--export"), QStringLiteral("dep7")};
        const QString target = m_folder + QStringLiteral("/DEPExport01.03.2017-01.03.2019.json");
        const QString outside = m_home.path() + QStringLiteral("/elsewhere.json");
        writeFile(outside, "not ours");
        QVERIFY(QFile::link(outside, target));
        QCOMPARE(run(arguments).exitCode, 0);
        QCOMPARE(fileBytes(outside), QByteArray("not ours"));
        QVERIFY(!QFileInfo(target).isSymLink());
        const QByteArray written = fileBytes(target);
        QVERIFY(written.startsWith("{ \"Belege-Gruppe\": [\r\n"));

        writeFile(target, "earlier");
        const auto inode = [&] {
            struct stat info;
            return ::stat(QFile::encodeName(target).constData(), &info) == 0 ? info.st_ino : 0;
        };
        const ino_t before = inode();
        const Run closed = runWithFault(arguments, {QStringLiteral("create"), QString::number(EACCES)});
        QCOMPARE(closed.exitCode, 0);
        QCOMPARE(fileBytes(target), written);
        QCOMPARE(inode(), before);
    }

    void gastroNullSignatureIsADataError()
    {
        // the gastro tables keep the signature as plain text, whose NULL the
        // DEP 7 export cannot turn into text
        SalesTestDatabase database;
        Sale withSignature;
        withSignature.settled = QDateTime(QDate(2018, 6, 1), QTime(12, 0));
        withSignature.certificate = JetValue("CERT-A");
        withSignature.authorities = JetValue("CA-1");
        withSignature.signature = JetValue("jws-1");
        Sale withoutSignature = withSignature;
        withoutSignature.id = withoutSignature.receipt = 2;
        withoutSignature.signature = JetValue();
        database.write(QStringLiteral("VelmarFaktura.mdb"), {}, {withSignature, withoutSignature}, QStringLiteral("geheim"));

        const Run r = run({QStringLiteral("--variant"), QStringLiteral("1"), QStringLiteral("--folder"),
                           database.folder(), QStringLiteral("--password"), QStringLiteral("geheim"),
                           QStringLiteral("--from"), QStringLiteral("2018-01-01"), QStringLiteral("--to"),
                           QStringLiteral("2018-12-31"), QStringLiteral("--export"), QStringLiteral("dep7,dep131")});
        QCOMPARE(r.exitCode, 6);
        QVERIFY2(r.err.contains(QStringLiteral("Could not convert variant of type (Null) into type (String)")),
                 qPrintable(r.err));
        // no DEP 7 file; the DEP 131 export after it still ran
        QCOMPARE(database.otherFiles(), QStringList{QStringLiteral("DEP_131.csv")});
    }
};

QTEST_GUILESS_MAIN(TestBatchMode)
#include "tst_batchmode.moc"
