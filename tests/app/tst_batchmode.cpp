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
#include <limits>
#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>

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
        return ProgramRun::start(ProgramRun::program(), arguments, m_home.path(), locale);
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

    // A sale of 1 June 2018 with a certificate, an authority and a made-up
    // signature, which no check passes.
    static Sale signedSale()
    {
        Sale sale;
        sale.settled = QDateTime(QDate(2018, 6, 1), QTime(12, 0));
        sale.certificate = JetValue("CERT-A");
        sale.authorities = JetValue("CA-1");
        sale.signature = JetValue("jws-1");
        return sale;
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
        // one line naming the fault, one pointing to the help
        for (const auto &c : bad) {
            const Run r = run(c.arguments);
            QCOMPARE(r.exitCode, 2);
            const QStringList lines = r.err.split(u'\n', Qt::SkipEmptyParts);
            QVERIFY2(lines.size() == 2 && lines.first().contains(c.message), qPrintable(r.err));
            QCOMPARE(lines.last(), QStringLiteral("Aufruf: DepExport --help"));
        }

        const Run version = run({QStringLiteral("--version")});
        QCOMPARE(version.exitCode, 0);
        QCOMPARE(version.out, QStringLiteral("DepExport 1.0\n"));

        // options that would be ignored are refused
        const struct {
            QStringList arguments;
            QString message;
        } ignored[] = {
            {{QStringLiteral("--kassa"), QStringLiteral("1")}, QStringLiteral("--kassa gilt nur für den DEP-7-Export")},
            {{QStringLiteral("--kassa"), QStringLiteral("1"), QStringLiteral("--export"), QStringLiteral("dep7,log")},
             QStringLiteral("--kassa gilt nur für den DEP-7-Export")},
            {{QStringLiteral("--export"), QStringLiteral("dep7"), QStringLiteral("--aes-key"), QStringLiteral("AAAA")},
             QStringLiteral("gehören zu --verify")},
            {{QStringLiteral("--export"), QStringLiteral("dep7"), QStringLiteral("--report"), QStringLiteral("r.json")},
             QStringLiteral("gehören zu --verify")},
            {{QStringLiteral("--trust"), QStringLiteral("ca.pem")}, QStringLiteral("gehören zu --verify")},
        };
        for (const auto &c : ignored) {
            const Run r = run(databaseArguments() + c.arguments);
            QCOMPARE(r.exitCode, 2);
            QVERIFY2(r.err.contains(c.message), qPrintable(r.err));
            QVERIFY(folderEntries().filter(QStringLiteral(".json")).isEmpty());
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
        QVERIFY(r.err.contains(QStringLiteral("Exportdatei DEPExport01.03.2017-01.03.2019.json befindet sich im Ordner ")
                               + m_folder));
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

    // An output that is one of the run's inputs is refused before anything
    // is written, whichever way it is named: the report as the checked
    // file, a link to it, the same file through ".."; an export's file that
    // is the database (a hard link); the report as the DEP 7 file the run
    // writes and checks.
    void outputThatIsAnInputIsRefused()
    {
        const QString checked = m_home.path() + QStringLiteral("/checked.json");
        const QByteArray journal = "{ \"Belege-Gruppe\": [] }\r\n";
        writeFile(checked, journal);
        const QString link = m_home.path() + QStringLiteral("/link.json");
        QFile::remove(link);
        QVERIFY(QFile::link(checked, link));
        for (const QString &report : {checked, link, m_folder + QStringLiteral("/../checked.json")}) {
            const Run r = run({QStringLiteral("--verify"), checked, QStringLiteral("--report"), report});
            QCOMPARE(r.exitCode, 2);
            QVERIFY2(r.err.contains(QStringLiteral("--report: die Datei %1 ist dieselbe wie die geprüfte Datei %2")
                                        .arg(report, checked)),
                     qPrintable(r.err));
            QCOMPARE(fileBytes(checked), journal);
        }

        const QString database = m_folder + QStringLiteral("/VelmarFaktura.mdb");
        const QByteArray databaseBytes = fileBytes(database);
        const QString log = m_folder + QStringLiteral("/LOG.csv");
        QCOMPARE(::link(QFile::encodeName(database).constData(), QFile::encodeName(log).constData()), 0);
        const Run exported = run(databaseArguments() + QStringList{QStringLiteral("--export"), QStringLiteral("dep131,log")});
        QFile::remove(log);
        QCOMPARE(exported.exitCode, 2);
        QVERIFY2(exported.err.contains(QStringLiteral("LOG: die Datei %1 ist dieselbe wie die Datenbank %2").arg(log, database)),
                 qPrintable(exported.err));
        QVERIFY(!QFile::exists(m_folder + QStringLiteral("/DEP_131.csv")));
        QVERIFY(fileBytes(database) == databaseBytes);

        const QString dep7 = m_folder + QStringLiteral("/DEPExport01.03.2017-01.03.2019.json");
        const Run reportOverExport =
            run(databaseArguments() + QStringList{QStringLiteral("--from"), QStringLiteral("2017-03-01"), QStringLiteral("--to"),
                                                  QStringLiteral("2019-03-01"), QStringLiteral("--export"), QStringLiteral("dep7"),
                                                  QStringLiteral("--verify"), QStringLiteral("--report"), dep7});
        QCOMPARE(reportOverExport.exitCode, 2);
        QVERIFY2(reportOverExport.err.contains(QStringLiteral("--report: die Datei %1 ist dieselbe wie die Exportdatei").arg(dep7)),
                 qPrintable(reportOverExport.err));
        QVERIFY(!QFile::exists(dep7));
    }

    // Under a locale whose short date holds "/" the DEP 7 file is written,
    // its dates with "-"; the message names it.
    void dep7FileNameUnderAnyLocale()
    {
        const Run r = run(databaseArguments() + QStringList{QStringLiteral("--from"), QStringLiteral("2017-03-01"),
                                                            QStringLiteral("--to"), QStringLiteral("2019-03-01"),
                                                            QStringLiteral("--export"), QStringLiteral("dep7")},
                          {QStringLiteral("LC_ALL=en_US.UTF-8")});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        const QString name = QStringLiteral("DEPExport03-01-2017-03-01-2019.json");
        QCOMPARE(QDir(m_folder).entryList({QStringLiteral("DEPExport*")}), QStringList{name});
        QVERIFY(receipts(m_folder + u'/' + name).size() > 100);
        QVERIFY2(r.err.contains(QStringLiteral("Exportdatei %1 befindet sich im Ordner %2").arg(name, m_folder)),
                 qPrintable(r.err));
    }

    // --open hands each finished file to the desktop's opener (xdg-open on
    // PATH, here a script that notes its arguments) once, and says each
    // success once; without an opener each file is named once.
    void openHandsEachFileToTheOpener()
    {
        const QString bin = m_home.path() + QStringLiteral("/bin");
        QVERIFY(QDir().mkpath(bin));
        const QString opened = m_home.path() + QStringLiteral("/opened.txt");
        QFile::remove(opened);
        const QString script = bin + QStringLiteral("/xdg-open");
        writeFile(script, "#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" + QFile::encodeName(opened) + "'\n");
        QVERIFY(QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        const QStringList arguments =
            databaseArguments() + QStringList{QStringLiteral("--from"), QStringLiteral("2017-03-01"), QStringLiteral("--to"),
                                              QStringLiteral("2019-03-01"), QStringLiteral("--open")};
        // sorted, as the opened files are compared
        const QStringList files = {m_folder + QStringLiteral("/DEPExport01.03.2017-01.03.2019.json"),
                                   m_folder + QStringLiteral("/DEP_131.csv"), m_folder + QStringLiteral("/LOG.csv")};
        const QString path = QStringLiteral("PATH=") + bin + u':' + qEnvironmentVariable("PATH");
        const Run r = run(arguments, {QStringLiteral("LC_ALL=de_AT.UTF-8"), path});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        for (const QString &csv : {files[1], files[2]}) {
            QCOMPARE(r.err.count(QStringLiteral("Der Datenexport in die Datei %1 wurde erfolgreich beendet.").arg(csv)), 1);
        }
        const auto openedFiles = [&opened] {
            QStringList lines = QString::fromLocal8Bit(fileBytes(opened)).split(u'\n', Qt::SkipEmptyParts);
            lines.sort();
            return lines;
        };
        QTRY_COMPARE(openedFiles(), files);

        const Run noOpener = run(arguments, {QStringLiteral("LC_ALL=de_AT.UTF-8"), QStringLiteral("PATH=/nonexistent")});
        QVERIFY2(noOpener.exitCode == 0, qPrintable(noOpener.err));
        for (const QString &csv : {files[1], files[2]}) {
            QCOMPARE(noOpener.err.count(QStringLiteral("Der Datenexport in die Datei %1 wurde erfolgreich beendet.").arg(csv)), 1);
        }
        QCOMPARE(noOpener.err.count(QStringLiteral("Exportdatei DEPExport01.03.2017-01.03.2019.json befindet sich")), 1);
    }

    // A failed check is a failure whatever came before: an empty LOG
    // period ("no data") does not mask it, in either order.
    void failureOutranksNoData()
    {
        SalesTestDatabase database;
        database.write(QStringLiteral("VelmarFaktura.mdb"), {signedSale()}, {}, QStringLiteral("geheim"));
        for (const QString order : {QStringLiteral("log,dep7"), QStringLiteral("dep7,log")}) {
            const Run r = run({QStringLiteral("--variant"), QStringLiteral("0"), QStringLiteral("--folder"),
                               database.folder(), QStringLiteral("--password"), QStringLiteral("geheim"),
                               QStringLiteral("--from"), QStringLiteral("2018-01-01"), QStringLiteral("--to"),
                               QStringLiteral("2018-12-31"), QStringLiteral("--export"), order, QStringLiteral("--verify")});
            QVERIFY2(r.exitCode == 7, qPrintable(order + u' ' + QString::number(r.exitCode) + u' ' + r.err));
            QVERIFY(r.err.contains(QStringLiteral("LOG: keine Daten im Zeitraum")));
            QVERIFY(r.out.contains(QStringLiteral("Prüfung nicht bestanden")));
        }
    }

    // With --quiet no progress bar is drawn, also on a terminal.
    void quietDrawsNoProgressBar()
    {
        const auto terminalOutput = [this](const QStringList &extra) {
            int master = -1;
            int slave = -1;
            if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
                return QByteArray("<no terminal>");
            const QString terminal = QString::fromLocal8Bit(::ttyname(slave));
            QProcess process;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("LC_ALL"), QStringLiteral("de_AT.UTF-8"));
            env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.path() + QStringLiteral("/config"));
            env.insert(QStringLiteral("XDG_DATA_HOME"), m_home.path() + QStringLiteral("/data"));
            process.setProcessEnvironment(env);
            process.setStandardErrorFile(terminal);
            process.start(ProgramRun::program(),
                          databaseArguments() + QStringList{QStringLiteral("--from"), QStringLiteral("2000-01-01"),
                                                            QStringLiteral("--export"), QStringLiteral("dep131,log")}
                              + extra);
            ::fcntl(master, F_SETFL, O_NONBLOCK);
            QByteArray output;
            const auto drain = [&] {
                char buffer[4096];
                for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;)
                    output.append(buffer, n);
            };
            while (!process.waitForFinished(50))
                drain();
            drain();
            ::close(slave);
            ::close(master);
            return output;
        };
        QVERIFY(terminalOutput({}).contains("DEP 131 ["));
        const QByteArray quiet = terminalOutput({QStringLiteral("--quiet")});
        QVERIFY2(quiet.isEmpty(), quiet.constData());
    }

    // Qt's own options open the window, as in every Qt program; where there
    // is no desktop the window says so in German and ends with exit code 2.
    void windowOptionsAndNoDesktop()
    {
        if (ProgramRun::program() != QStringLiteral(DEPEXPORT_BINARY))
            QSKIP("only DepExport has a window");
        const QStringList noDesktop = {QStringLiteral("LC_ALL=de_AT.UTF-8"), QStringLiteral("DISPLAY="),
                                       QStringLiteral("WAYLAND_DISPLAY="), QStringLiteral("QT_QPA_PLATFORM=xcb")};
        const QStringList commandLines[] = {
            {},
            {QStringLiteral("-platform"), QStringLiteral("xcb"), QStringLiteral("-style"), QStringLiteral("fusion"),
             QStringLiteral("-qwindowgeometry"), QStringLiteral("640x480+10+10")},
            {QStringLiteral("--style=fusion"), QStringLiteral("-reverse")},
        };
        for (const QStringList &arguments : commandLines) {
            const Run r = run(arguments, noDesktop);
            QVERIFY2(r.exitCode == 2, qPrintable(arguments.join(u' ') + QStringLiteral(": ") + r.err));
            QCOMPARE(r.err, QStringLiteral("Das Fenster von DepExport braucht eine grafische Oberfläche. Ohne sie "
                                           "erstellen Optionen die Exporte (DepExport --help).\n"));
        }
    }

    // --verify checks each file it is given, as a shell's pattern gives
    // them; one that fails gives exit code 7 whatever its place.
    void verifySeveralFiles()
    {
        const QStringList period{QStringLiteral("--from"), QStringLiteral("2017-03-01"), QStringLiteral("--to"),
                                 QStringLiteral("2019-03-01"), QStringLiteral("--export"), QStringLiteral("dep7")};
        QCOMPARE(run(databaseArguments() + period + QStringList{QStringLiteral("--kassa"), QStringLiteral("1")}).exitCode, 0);
        QCOMPARE(run(databaseArguments() + period + QStringList{QStringLiteral("--kassa"), QStringLiteral("2")}).exitCode, 0);
        QCOMPARE(run(databaseArguments() + period).exitCode, 0);
        const QString one = m_folder + QStringLiteral("/DEPExport01.03.2017-01.03.2019_Kassa1.json");
        const QString two = m_folder + QStringLiteral("/DEPExport01.03.2017-01.03.2019_Kassa2.json");
        const QString all = m_folder + QStringLiteral("/DEPExport01.03.2017-01.03.2019.json");
        const QString report = m_home.path() + QStringLiteral("/bericht.json");
        const Run passed = run({QStringLiteral("--verify"), one, two, QStringLiteral("--report"), report});
        QVERIFY2(passed.exitCode == 0, qPrintable(passed.out + passed.err));
        QCOMPARE(passed.out.count(QStringLiteral("Prüfung bestanden.")), 2);
        QFile reportFile(report);
        QVERIFY(reportFile.open(QIODevice::ReadOnly));
        const QJsonArray checked = QJsonDocument::fromJson(reportFile.readAll())[QStringLiteral("dateien")].toArray();
        QCOMPARE(checked.size(), 2);
        QCOMPARE(checked[1][QStringLiteral("datei")].toString(), two);
        for (const QStringList &files : {QStringList{one, all, two}, QStringList{all, one}}) {
            const Run r = run(QStringList{QStringLiteral("--verify")} + files);
            QVERIFY2(r.exitCode == 7, qPrintable(r.out + r.err));
            QCOMPARE(r.out.count(QStringLiteral("Prüfung bestanden.")), files.size() - 1);
            QCOMPARE(r.out.count(QStringLiteral("Prüfung nicht bestanden")), 1);
        }
    }

    // Files in a Linux folder are named with "/"; a Windows-form folder
    // keeps its form, and a missing database under it also names the
    // folder that was searched.
    void messagesNameFilesAsTheFolderIsWritten()
    {
        const Run r = run(databaseArguments() + QStringList{QStringLiteral("--from"), QStringLiteral("2017-03-01"),
                                                            QStringLiteral("--export"), QStringLiteral("log")});
        QVERIFY2(r.err.contains(QStringLiteral("Der Datenexport in die Datei %1/LOG.csv wurde erfolgreich beendet.").arg(m_folder)),
                 qPrintable(r.err));
        const Run linux = run({QStringLiteral("--variant"), QStringLiteral("0"), QStringLiteral("--folder"),
                               QStringLiteral("/nonexistent/dir"), QStringLiteral("--export"), QStringLiteral("log")});
        QCOMPARE(linux.exitCode, 3);
        QVERIFY2(linux.err.contains(QStringLiteral("Die Datei '/nonexistent/dir/VelmarFaktura.mdb' wurde nicht gefunden.\n")),
                 qPrintable(linux.err));
        const QString drive = m_home.path() + QStringLiteral("/laufwerk-c");
        const Run windows = run({QStringLiteral("--variant"), QStringLiteral("0"), QStringLiteral("--folder"),
                                 QStringLiteral("C:\\Nirgends"), QStringLiteral("--export"), QStringLiteral("log")},
                                {QStringLiteral("LC_ALL=de_AT.UTF-8"), QStringLiteral("DEPEXPORT_DRIVE_C=") + drive});
        QCOMPARE(windows.exitCode, 3);
        QVERIFY2(windows.err.contains(QStringLiteral("Die Datei 'C:\\Nirgends\\VelmarFaktura.mdb' wurde nicht gefunden. "
                                                     "(gesucht in %1/Nirgends)")
                                          .arg(drive)),
                 qPrintable(windows.err));
    }

    // A disk that fails while the rows are read (the last page read of the
    // LOG export): a failed query (5), whose message says that the database
    // could not be read, not a file that could not be written; no file left.
    void readingFailureIsAQueryFailure()
    {
        const QString reads = m_home.path() + QStringLiteral("/reads.txt");
        const QStringList arguments = databaseArguments() + QStringList{QStringLiteral("--from"), QStringLiteral("2000-01-01"),
                                                                          QStringLiteral("--to"), QStringLiteral("2030-12-31"),
                                                                          QStringLiteral("--export"), QStringLiteral("log")};
        const auto failingFromRead = [&](qint64 first) {
            QFile::remove(reads);
            return run(arguments, {QStringLiteral("LC_ALL=de_AT.UTF-8"), QStringLiteral("LD_PRELOAD=" FAULTSHIM),
                                   QStringLiteral("DEPEXPORT_FAULT_DIR=") + m_folder,
                                   QStringLiteral("DEPEXPORT_FAULT=pread:%1:%2").arg(EIO).arg(first),
                                   QStringLiteral("DEPEXPORT_FAULT_LOG=") + reads});
        };
        QCOMPARE(failingFromRead(std::numeric_limits<int>::max()).exitCode, 0);
        const qint64 pageReads = fileBytes(reads).count("pread\n");
        QVERIFY(pageReads > 10);
        removeExports();
        const Run r = failingFromRead(pageReads - 1);
        QVERIFY2(r.exitCode == 5, qPrintable(r.err));
        QVERIFY2(r.err.contains(QStringLiteral("Fehler beim Datenexport.: Die Datenbank kann nicht gelesen werden: ")),
                 qPrintable(r.err));
        QVERIFY(folderEntries().filter(QStringLiteral("LOG")).isEmpty());
        QVERIFY(folderEntries().filter(QStringLiteral(".DepExport")).isEmpty());
    }

    void gastroNullSignatureIsADataError()
    {
        // the gastro tables keep the signature as plain text, whose NULL the
        // DEP 7 export cannot turn into text
        SalesTestDatabase database;
        const Sale withSignature = signedSale();
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
