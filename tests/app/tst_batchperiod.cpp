// The named periods and the output folder of batch mode: every form of
// --period gives the first and last day that --from and --to would give
// (leap Februaries, the turn of a year for the relative names), refuses what
// names no period and refuses to stand beside --from or --to; the real
// program writes the same files for "--period 2018-Q4" as for the two dates,
// into the --output folder it makes, and says why when it cannot make it.

#include "BatchOptions.h"
#include "Error.h"
#include "ProgramRun.h"
#include "RegisterDatabase.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

class TestBatchPeriod : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QString m_folder;

    ProgramRun run(const QStringList &arguments)
    {
        return ProgramRun::start(ProgramRun::program(), arguments, m_home.path(),
                                 QStringList{QStringLiteral("LC_ALL=de_AT.UTF-8")});
    }

    QStringList databaseArguments() const
    {
        return {QStringLiteral("--variant"), QStringLiteral("0"), QStringLiteral("--folder"), m_folder,
                QStringLiteral("--password"), QStringLiteral("geheim")};
    }

private slots:
    // A small register database of its own, in the folder the runs name.
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        m_folder = m_home.path();
        RegisterDatabase::write(m_folder + QStringLiteral("/VelmarFaktura.mdb"),
                                {.salesRows = 400, .logRows = 40, .password = QStringLiteral("geheim")});
    }

    void forms_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<QString>("name");
        const QDate anyDay(2026, 7, 15);
        QTest::newRow("year") << "2018" << anyDay << QDate(2018, 1, 1) << QDate(2018, 12, 31) << "2018";
        QTest::newRow("month") << "2018-11" << anyDay << QDate(2018, 11, 1) << QDate(2018, 11, 30) << "2018-11";
        QTest::newRow("leap February") << "2024-02" << anyDay << QDate(2024, 2, 1) << QDate(2024, 2, 29) << "2024-02";
        QTest::newRow("February") << "2023-02" << anyDay << QDate(2023, 2, 1) << QDate(2023, 2, 28) << "2023-02";
        QTest::newRow("February of 2000") << "2000-02" << anyDay << QDate(2000, 2, 1) << QDate(2000, 2, 29) << "2000-02";
        QTest::newRow("February of 1900") << "1900-02" << anyDay << QDate(1900, 2, 1) << QDate(1900, 2, 28) << "1900-02";
        QTest::newRow("December") << "2018-12" << anyDay << QDate(2018, 12, 1) << QDate(2018, 12, 31) << "2018-12";
        QTest::newRow("first quarter, leap year") << "2024-Q1" << anyDay << QDate(2024, 1, 1) << QDate(2024, 3, 31) << "2024-Q1";
        QTest::newRow("fourth quarter") << "2018-Q4" << anyDay << QDate(2018, 10, 1) << QDate(2018, 12, 31) << "2018-Q4";
        QTest::newRow("small q") << "2018-q2" << anyDay << QDate(2018, 4, 1) << QDate(2018, 6, 30) << "2018-Q2";
        QTest::newRow("last month, mid-year") << "last-month" << anyDay << QDate(2026, 6, 1) << QDate(2026, 6, 30) << "2026-06";
        QTest::newRow("last month, on 1 January") << "last-month" << QDate(2027, 1, 1) << QDate(2026, 12, 1) << QDate(2026, 12, 31) << "2026-12";
        QTest::newRow("last month, leap February") << "last-month" << QDate(2024, 3, 31) << QDate(2024, 2, 1) << QDate(2024, 2, 29) << "2024-02";
        QTest::newRow("last month, on 31 March") << "last-month" << QDate(2023, 3, 31) << QDate(2023, 2, 1) << QDate(2023, 2, 28) << "2023-02";
        QTest::newRow("last quarter, on 1 January") << "last-quarter" << QDate(2027, 1, 1) << QDate(2026, 10, 1) << QDate(2026, 12, 31) << "2026-Q4";
        QTest::newRow("last quarter, on 31 March") << "last-quarter" << QDate(2026, 3, 31) << QDate(2025, 10, 1) << QDate(2025, 12, 31) << "2025-Q4";
        QTest::newRow("last quarter, on 5 October") << "last-quarter" << QDate(2026, 10, 5) << QDate(2026, 7, 1) << QDate(2026, 9, 30) << "2026-Q3";
        QTest::newRow("last quarter, on 31 May") << "last-quarter" << QDate(2024, 5, 31) << QDate(2024, 1, 1) << QDate(2024, 3, 31) << "2024-Q1";
        QTest::newRow("last year, on 31 December") << "last-year" << QDate(2026, 12, 31) << QDate(2025, 1, 1) << QDate(2025, 12, 31) << "2025";
        QTest::newRow("last year, on 1 January") << "last-year" << QDate(2027, 1, 1) << QDate(2026, 1, 1) << QDate(2026, 12, 31) << "2026";
    }

    void forms()
    {
        QFETCH(QString, text);
        QFETCH(QDate, today);
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(QString, name);
        for (const QStringList &arguments : {QStringList{QStringLiteral("--period"), text},
                                              QStringList{QStringLiteral("--period=") + text}}) {
            const BatchOptions options = BatchOptions::parse(arguments, today);
            QCOMPARE(options.from, from);
            QCOMPARE(options.to, to);
            QCOMPARE(options.periodName, name);
        }
    }

    void refused_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        const QString noPeriod = QStringLiteral("ist kein Zeitraum");
        const QString notBoth = QStringLiteral("--period gibt den Zeitraum an: dazu kein --from und kein --to.");
        for (const char *text : {"2018-13", "2018-00", "2018-Q0", "2018-Q5", "18", "2018-1", "2018-11-01",
                                 "Q4-2018", "last-week", "next-month", "LAST-MONTH", " 2018", "2018 ", "", "0999"})
            QTest::newRow(qPrintable(u'\'' + QString::fromLatin1(text) + u'\'')) << QStringList{QStringLiteral("--period"), QString::fromLatin1(text)} << noPeriod;
        QTest::newRow("with --from") << QStringList{"--from", "01.10.2018", "--period", "2018-Q4"} << notBoth;
        QTest::newRow("with --to after it") << QStringList{"--period", "2018-Q4", "--to=2018-12-31"} << notBoth;
        QTest::newRow("without value") << QStringList{"--period"} << QStringLiteral("--period braucht einen Wert.");
        QTest::newRow("empty output") << QStringList{"--output="} << QStringLiteral("--output braucht einen Ordner.");
    }

    void refused()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        try {
            BatchOptions::parse(arguments, QDate(2026, 7, 15));
            QFAIL("accepted");
        } catch (const Error &refusal) {
            QVERIFY2(refusal.message().contains(message), qPrintable(refusal.message()));
        }
    }

    // "--period 2018-Q4" is exactly "--from 01.10.2018 --to 31.12.2018":
    // the same three files, the DEP 7 file named after the two days; with
    // --output they go to the folder named there, made with the folders
    // above it, and the database folder gets none.
    void periodAndOutputThroughTheProgram()
    {
        const QString byDates = m_home.path() + QStringLiteral("/by-dates");
        const ProgramRun dates = run(databaseArguments() + QStringList{"--from", "01.10.2018", "--to", "31.12.2018",
                                                                      "--output", byDates});
        QVERIFY2(dates.exitCode == 0, qPrintable(dates.err));

        const QString root = m_home.path() + QStringLiteral("/DEP-Sicherung");
        const ProgramRun named = run(databaseArguments() + QStringList{"--period", "2018-Q4", "--output",
                                                                      root + QStringLiteral("/{period}")});
        QVERIFY2(named.exitCode == 0, qPrintable(named.err));
        const QString quarter = root + QStringLiteral("/2018-Q4");
        for (const char *file : {"DEP_131.csv", "LOG.csv", "DEPExport01.10.2018-31.12.2018.json"}) {
            const QByteArray bytes = TestFiles::read(quarter + u'/' + QLatin1String(file));
            QVERIFY2(bytes.size() > 100, file);
            QCOMPARE(bytes, TestFiles::read(byDates + u'/' + QLatin1String(file)));
        }
        QVERIFY(named.err.contains(QStringLiteral("befindet sich im Ordner ") + quarter));
        QCOMPARE(QDir(m_folder).entryList({QStringLiteral("*.csv"), QStringLiteral("*.json")}, QDir::Files), QStringList());

        // without --period, "{period}" stands for the two days
        const ProgramRun log = run(databaseArguments() + QStringList{"--from", "2018-10-01", "--to", "2018-12-31",
                                                                    "--export", "log", "--output",
                                                                    root + QStringLiteral("/{period}")});
        QVERIFY2(log.exitCode == 0, qPrintable(log.err));
        QVERIFY(QFile::exists(root + QStringLiteral("/2018-10-01_2018-12-31/LOG.csv")));

        // a run that writes nothing leaves no new, empty folder behind,
        // and an existing one as it was
        const ProgramRun empty = run(databaseArguments() + QStringList{"--period", "2010-Q1", "--output",
                                                                      root + QStringLiteral("/{period}")});
        QCOMPARE(empty.exitCode, 1);
        QVERIFY(!QFileInfo::exists(root + QStringLiteral("/2010-Q1")));
        QVERIFY(QDir().mkpath(root + QStringLiteral("/2010-Q2")));
        QCOMPARE(run(databaseArguments() + QStringList{"--period", "2010-Q2", "--output",
                                                       root + QStringLiteral("/{period}")}).exitCode, 1);
        QVERIFY(QFileInfo(root + QStringLiteral("/2010-Q2")).isDir());
    }

    // A file where a folder should be, a folder without write permission:
    // exit code 4, the folder and the reason in German, no export run.
    void outputFolderThatCannotBeMade()
    {
        const QString blocker = m_home.path() + QStringLiteral("/blocker");
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const ProgramRun underFile = run(databaseArguments() + QStringList{"--period", "2018", "--output",
                                                                          blocker + QStringLiteral("/2018")});
        QCOMPARE(underFile.exitCode, 4);
        QVERIFY2(underFile.err.contains(QStringLiteral("--output: der Ordner ") + blocker +
                                        QStringLiteral("/2018 kann nicht angelegt werden: ")),
                 qPrintable(underFile.err));
        QVERIFY(!underFile.err.contains(QStringLiteral("Exportdatei")));

        const QString closed = m_home.path() + QStringLiteral("/closed");
        QVERIFY(QDir().mkpath(closed));
        QVERIFY(QFile::setPermissions(closed, QFile::ReadOwner | QFile::ExeOwner));
        const ProgramRun denied = run(databaseArguments() + QStringList{"--period", "2018", "--output",
                                                                       closed + QStringLiteral("/neu")});
        QFile::setPermissions(closed, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (::geteuid() == 0)
            return; // root may write anywhere
        QCOMPARE(denied.exitCode, 4);
        QVERIFY2(denied.err.contains(QStringLiteral("kann nicht angelegt werden: ")), qPrintable(denied.err));
    }
};

QTEST_MAIN(TestBatchPeriod)
#include "tst_batchperiod.moc"
