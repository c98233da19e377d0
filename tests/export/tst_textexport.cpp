#include "Error.h"
#include "ExportTestDatabase.h"
#include "FormatSettings.h"
#include "TextExportDesign.h"
#include "TDatasetDataEngine.h"
#include "TExportToText.h"
#include "ProgressWindowObserver.h"
#include "TfrmExportProcess.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

FormatSettings processFormats()
{
    return foreignProcessFormats(u'-');
}

void compareFiveSettings(const FormatSettings &actual, const FormatSettings &expected)
{
    QCOMPARE(actual.decimalSeparator, expected.decimalSeparator);
    QCOMPARE(actual.thousandSeparator, expected.thousandSeparator);
    QCOMPARE(actual.dateSeparator, expected.dateSeparator);
    QCOMPARE(actual.timeSeparator, expected.timeSeparator);
    QCOMPARE(actual.currencyString, expected.currencyString);
}

} // namespace

class TestTextExport : public QObject
{
    Q_OBJECT

    ExportTestDatabase *db = nullptr;
    ExportRecorder *recorder = nullptr;
    TExportToText *ex = nullptr;

    QString target(const QString &name = u"DEP_131.csv"_s) const { return db->path(name); }

    // The configured component on the query, writing to `name`.
    void prepare(const QString &sql, const QString &name = u"DEP_131.csv"_s)
    {
        db->open(sql);
        ex->setDataSet(&db->query());
        ex->setFileName(target(name));
    }

private slots:
    void initTestCase() { FormatSettings::setCurrent(processFormats()); }

    void init()
    {
        db = new ExportTestDatabase;
        recorder = new ExportRecorder;
        ex = new TExportToText;
        TextExportDesign::apply(*ex);
    }

    void cleanup()
    {
        delete ex;
        delete recorder;
        delete db;
        FormatSettings::setCurrent(processFormats());
    }

    void registerFileLayoutAndValueTexts()
    {
        const QString longMemo = QString(u"Bemerkung "_s).repeated(600);
        db->create({{u"Barverkaeufe"_s,
                     {JetColumn::of(u"ID"_s, JetType::Long), JetColumn::text(u"Name"_s, 20),
                      JetColumn::of(u"Betrag"_s, JetType::Double), JetColumn::of(u"Preis"_s, JetType::Currency),
                      JetColumn::of(u"Zeit"_s, JetType::DateTime), JetColumn::of(u"Storno"_s, JetType::Boolean),
                      JetColumn::of(u"Bemerkung"_s, JetType::Memo), JetColumn::text(u"Leer"_s, 10)},
                     {{1, u"Melange"_s, 1234.5, JetValue::currency(34500), QDateTime({2019, 3, 1}, {0, 0}), true,
                       u"ohne Schlag"_s, nullptr},
                      {2, u"Tee €ä Ω"_s, 0.1, JetValue::currency(-49000), QDateTime({2019, 3, 1}, {10, 15, 30}),
                       false, longMemo, nullptr},
                      {3, nullptr, nullptr, nullptr, nullptr, false, nullptr, nullptr}}}});
        prepare(u"select * from Barverkaeufe order by ID"_s);
        ex->execute();

        QCOMPARE(ex->statistic().result, erCompleted);
        const QByteArray expected = "ID;Name;Betrag;Preis;Zeit;Storno;Bemerkung;Leer\r\n"
                                    "1;Melange;1234,5;3,45;01.03.2019;True;ohne Schlag;\r\n"
                                    "2;Tee \x80\xE4 ?;0,1;-4,9;01.03.2019 10:15:30;False;"
                                    + longMemo.toLatin1()
                                    + ";\r\n"
                                      "3;;;;;False;;\r\n";
        QCOMPARE(ExportTestDatabase::readFile(target()), expected);
        // No box after a successful run; the file is opened; no stray files.
        QCOMPARE(recorder->texts(), QStringList());
        QCOMPARE(recorder->opened, QStringList{target()});
        QCOMPARE(db->files(), QStringList{u"DEP_131.csv"_s});
        compareFiveSettings(FormatSettings::current(), processFormats());
        // The derived columns are gone again.
        QCOMPARE(ex->columns().count(), 0);
    }

    void fileThatCannotBeOpenedIsNamed()
    {
        // A desktop without a program for .csv files: the user is told where
        // the finished file is rather than left with nothing.
        db->create({numbersTable(2)});
        recorder->openerAnswers = false;
        prepare(u"select * from Zahlen order by ID"_s);
        ex->execute();
        QCOMPARE(ex->statistic().result, erCompleted);
        QCOMPARE(recorder->opened, QStringList{target()});
        QCOMPARE(recorder->texts(),
                 QStringList{u"Der Datenexport in die Datei %1 wurde erfolgreich beendet."_s.arg(target())});
        QCOMPARE(recorder->kinds(), QList<MessageBoxKind>{MessageBoxKind::Information});
    }

    void cellsThatWouldBreakTheRowsAreQuoted()
    {
        db->create({{u"T"_s,
                     {JetColumn::of(u"ID"_s, JetType::Long), JetColumn::text(u"Text"_s, 50),
                      JetColumn::of(u"Memo"_s, JetType::Memo)},
                     {{1, u"a;b"_s, u"Zeile 1\r\nZeile 2"_s},
                      {2, u"sagt \"hallo\""_s, u"nur\nLF"_s},
                      // long texts: the character to find in every place of
                      // an eight-character step and in the rest after the
                      // last step, or nowhere
                      {3, u"abcdefghij;k"_s, QString(17, u'x') + u'\r' + QString(20, u'y')},
                      {4, QString(16, u'z'), QString(300, u'm') + u'\n'},
                      {5, u"01234567;"_s, QString(8, u'n') + u';' + QString(7, u'n')}}}});
        prepare(u"select ID, Text, Memo as [Me;mo] from T order by ID"_s);
        ex->execute();
        QCOMPARE(ExportTestDatabase::readFile(target()),
                 QByteArray("ID;Text;\"Me;mo\"\r\n"
                            "1;\"a;b\";\"Zeile 1\r\nZeile 2\"\r\n"
                            "2;sagt \"hallo\";\"nur\nLF\"\r\n"
                            "3;\"abcdefghij;k\";\"")
                     + QByteArray(17, 'x') + '\r' + QByteArray(20, 'y') + "\"\r\n4;" + QByteArray(16, 'z') + ";\""
                     + QByteArray(300, 'm') + "\n\"\r\n5;\"01234567;\";\"" + QByteArray(8, 'n') + ';'
                     + QByteArray(7, 'n') + "\"\r\n");
    }

    void qualifierRules_data()
    {
        QTest::addColumn<int>("qualifying");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("strings only") << int(tqStringOnly)
                                      << QByteArray("\"ID\",\"Text\",\"Betrag\",\"Storno\"\r\n"
                                                    "7,\"sagt \"\"hallo\"\"\",\"1234,5\",True\r\n");
        QTest::newRow("no numbers") << int(tqNoNumber)
                                    << QByteArray("\"ID\",\"Text\",\"Betrag\",\"Storno\"\r\n"
                                                  "7,\"sagt \"\"hallo\"\"\",\"1234,5\",\"True\"\r\n");
        QTest::newRow("any") << int(tqAny)
                             << QByteArray("\"ID\",\"Text\",\"Betrag\",\"Storno\"\r\n"
                                           "\"7\",\"sagt \"\"hallo\"\"\",\"1234,5\",\"True\"\r\n");
    }
    void qualifierRules()
    {
        QFETCH(int, qualifying);
        QFETCH(QByteArray, expected);
        db->create({{u"T"_s,
                     {JetColumn::of(u"ID"_s, JetType::Long), JetColumn::text(u"Text"_s, 50),
                      JetColumn::of(u"Betrag"_s, JetType::Double), JetColumn::of(u"Storno"_s, JetType::Boolean)},
                     {{7, u"sagt \"hallo\""_s, 1234.5, true}}}});
        prepare(u"select * from T"_s);
        ex->setTextQualifier(u'"');
        ex->setTextQualifying(TTextQualifying(qualifying));
        ex->setSeparator(u',');
        ex->execute();
        QCOMPARE(ExportTestDatabase::readFile(target()), expected);
    }

    void fixedWidthCells()
    {
        db->create({{u"T"_s,
                     {JetColumn::of(u"ID"_s, JetType::Long), JetColumn::text(u"Name"_s, 20),
                      JetColumn::of(u"Betrag"_s, JetType::Double)},
                     {{42, u"ab"_s, 2.5}, {123456, u"abcdefg"_s, 10.0}}}});
        prepare(u"select * from T order by ID"_s);
        for (const char *name : {"ID", "Name", "Betrag"}) {
            TExportColumn &column = ex->columns().add();
            column.fieldName = QString::fromLatin1(name);
            column.title.caption = QString::fromLatin1(name);
            column.width = 5;
        }
        ex->setFixed(true);
        ex->execute();
        // Numbers are padded on the left, the rest on the right; longer
        // texts are not cut.
        QCOMPARE(ExportTestDatabase::readFile(target()),
                 QByteArray("ID   ;Name ;Betrag\r\n"
                            "   42;ab   ;  2,5\r\n"
                            "123456;abcdefg;   10\r\n"));
        // Columns of one's own stay after the run.
        QCOMPARE(ex->columns().count(), 3);
    }

    void characterSets_data()
    {
        QTest::addColumn<int>("set");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("OEM") << int(csASCII_MSDOS) << QByteArray("Name;Nr\r\n\x8E" "pfel \x9C ?;1\r\n");
        QTest::newRow("EBCDIC") << int(csEBCDIC)
                                << QByteArray("\xD5\x81\x94\x85\x5E\xD5\x99\r\n\x4B\x97\x86\x85\x93\x40\x4B\x40\x4B"
                                              "\x5E\xF1\r\n");
    }
    void characterSets()
    {
        QFETCH(int, set);
        QFETCH(QByteArray, expected);
        db->create({{u"T"_s, {JetColumn::text(u"Name"_s, 20), JetColumn::of(u"Nr"_s, JetType::Long)},
                     {{u"Äpfel £ €"_s, 1}}}});
        prepare(u"select * from T"_s);
        ex->setCharacterSet(TCharacterSet(set));
        ex->execute();
        QCOMPARE(ExportTestDatabase::readFile(target()), expected);
    }

    void progressTextsAndOpening()
    {
        db->create({numbersTable(3)});
        prepare(u"select * from Zahlen order by ID"_s);
        QStringList texts;
        bool connected = false;
        ex->onBeforeRecord = [&](TExportBaseComponent &sender, bool &) {
            TfrmExportProcess *window = ProgressWindowObserver::windowOf(sender);
            QVERIFY(window);
            if (!connected) {
                texts << window->statusText();
                QObject::connect(window, &TfrmExportProcess::statusChanged, window,
                                 [&texts](const QString &text) { texts << text; });
                connected = true;
                QVERIFY(window->isVisible());
                QVERIFY(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
                QCOMPARE(window->size(), QSize(442, 87));
                QCOMPARE(window->btnCancel->text(), u"&Abbruch"_s);
                QCOMPARE(window->windowTitle(), u"DEP-Export 1.0"_s);
            }
        };
        ex->execute();
        QCOMPARE(texts,
                 QStringList({u"Exportiere... (0/3)"_s, u"Exportiere... (1/3)"_s, u"Exportiere... (2/3)"_s,
                              u"Der Datenexport in die Datei %1 wurde erfolgreich beendet. (3/3)"_s.arg(target())}));
        QCOMPARE(ProgressWindowObserver::windowOf(*ex), nullptr);
        QCOMPARE(recorder->texts(), QStringList());
        QCOMPARE(recorder->opened, QStringList{target()});

        // A second run replaces the file.
        db->open(u"select * from Zahlen where ID = 2"_s);
        ex->onBeforeRecord = nullptr;
        ex->execute();
        QCOMPARE(ExportTestDatabase::readFile(target()), QByteArray("ID;Name\r\n2;Zeile 2\r\n"));
    }

    void languageStringsCanBeReplaced()
    {
        db->create({numbersTable(1)});
        prepare(u"select * from Zahlen"_s);
        ex->onGetLanguageString = [](TCustomExportComponent &, int id, QString &text) {
            if (id == 2)
                text = u"Fertig: %s"_s;
            else if (id == 12)
                text = u"&Halt"_s;
        };
        QStringList texts;
        QString cancelCaption;
        ex->onBeforeRecord = [&](TExportBaseComponent &sender, bool &) {
            cancelCaption = ProgressWindowObserver::windowOf(sender)->btnCancel->text();
            QObject::connect(ProgressWindowObserver::windowOf(sender), &TfrmExportProcess::statusChanged, ProgressWindowObserver::windowOf(sender),
                             [&texts](const QString &text) { texts << text; });
        };
        ex->execute();
        QCOMPARE(cancelCaption, u"&Halt"_s);
        QCOMPARE(texts, QStringList{u"Fertig: %1 (1/1)"_s.arg(target())});
    }

    void cancelAfterTheFirstRecord_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("button") << u"button"_s;
        QTest::newRow("Escape") << u"escape"_s;
        QTest::newRow("closing the window") << u"close"_s;
    }
    void cancelAfterTheFirstRecord()
    {
        QFETCH(QString, how);
        db->create({numbersTable(3)});
        prepare(u"select * from Zahlen order by ID"_s);
        QStringList texts;
        ex->onAfterRecord = [&](TExportBaseComponent &sender, bool &) {
            TfrmExportProcess *window = ProgressWindowObserver::windowOf(sender);
            if (!window->canceled()) {
                QObject::connect(window, &TfrmExportProcess::statusChanged, window,
                                 [&texts](const QString &text) { texts << text; });
            }
            if (how == u"button")
                QTest::mouseClick(window->btnCancel, Qt::LeftButton);
            else if (how == u"escape")
                QTest::keyClick(window, Qt::Key_Escape);
            else
                window->close();
        };
        ex->execute();
        QCOMPARE(ex->statistic().result, erCanceled);
        QCOMPARE(ExportTestDatabase::readFile(target()), QByteArray("ID;Name\r\n1;Zeile 1\r\n"));
        QCOMPARE(texts.last(), u"Datenexport wurde vom Benutzer abgebrochen. (3/3)"_s);
        QCOMPARE(recorder->texts(), QStringList());
        QCOMPARE(recorder->opened, QStringList{target()});
    }

    void missingDataset()
    {
        ex->setFileName(target());
        ex->execute();
        QCOMPARE(ex->statistic().result, erFailed);
        QCOMPARE(recorder->texts(),
                 QStringList{u"Fehler beim Datenexport.: Die Eigenschaft Dataset wurde nicht spezifiziert."_s});
        QCOMPARE(recorder->kinds(), QList<MessageBoxKind>{MessageBoxKind::Information});
        QCOMPARE(db->files(), QStringList());
        QCOMPARE(recorder->opened, QStringList());
        QCOMPARE(ProgressWindowObserver::windowOf(*ex), nullptr);
    }

    void engineOfTheCaller()
    {
        // An engine handed in by the caller serves the run and outlives it;
        // without one the run names the missing property.
        db->create({numbersTable(2)});
        prepare(u"select * from Zahlen order by ID"_s);
        ex->setColumnSource(csDataEngine);
        ex->execute();
        QCOMPARE(recorder->texts(),
                 QStringList{u"Fehler beim Datenexport.: Die Eigenschaft DataEngine wurde nicht spezifiziert."_s});
        QCOMPARE(db->files(), QStringList());

        recorder->clear();
        TDatasetDataEngine engine;
        engine.setDataSet(&db->query());
        ex->setDataSet(nullptr);
        ex->setDataEngine(&engine);
        for (int run = 0; run < 2; ++run) {
            ex->execute();
            QCOMPARE(ex->statistic().result, erCompleted);
            QCOMPARE(ExportTestDatabase::readFile(target()), QByteArray("ID;Name\r\n1;Zeile 1\r\n2;Zeile 2\r\n"));
            QCOMPARE(ex->columns().count(), 0);
        }
        QCOMPARE(engine.dataSet(), &db->query());
        QCOMPARE(recorder->texts(), QStringList());
    }

    void failedRunLeavesTheEarlierFile()
    {
        db->create({numbersTable(2000)});
        prepare(u"select * from Zahlen order by ID"_s);
        {
            QFile old(target());
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("die Datei von gestern\r\n");
        }
        FormatSettings inside;
        ex->onBeforeRecord = [&](TExportBaseComponent &, bool &) {
            if (db->query().fieldByName(u"ID"_s).asString() == u"1500") {
                inside = FormatSettings::current();
                throw Error(u"Lesefehler in Zeile 1500"_s);
            }
        };
        ex->execute();
        QCOMPARE(ex->statistic().result, erFailed);
        QCOMPARE(recorder->texts(), QStringList{u"Fehler beim Datenexport.: Lesefehler in Zeile 1500"_s});
        QCOMPARE(ExportTestDatabase::readFile(target()), QByteArray("die Datei von gestern\r\n"));
        QCOMPARE(db->files(), QStringList{u"DEP_131.csv"_s});
        QCOMPARE(recorder->opened, QStringList());
        // The run formats with its own separators without touching the
        // process's, neither during the run nor after it.
        compareFiveSettings(inside, processFormats());
        compareFiveSettings(FormatSettings::current(), processFormats());
        QVERIFY(!db->query().controlsDisabled());
    }

    void fileThatCannotBeCreated()
    {
        db->create({numbersTable(1)});
        QFile blocker(db->path(u"Ordner"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        prepare(u"select * from Zahlen"_s, u"Ordner/DEP_131.csv"_s);
        ex->execute();
        QCOMPARE(recorder->texts(), QStringList{u"Fehler beim Datenexport.: Die Datei %1 kann nicht angelegt werden: "
                                                 u"ein Teil des Pfades ist kein Ordner"_s.arg(ex->fileName())});
        QCOMPARE(recorder->opened, QStringList());
        compareFiveSettings(FormatSettings::current(), processFormats());
    }

    void windowsNamesAndMissingFolders()
    {
        db->create({numbersTable(1)});
        qputenv("DEPEXPORT_DRIVE_C", db->folder().toLocal8Bit());
        prepare(u"select * from Zahlen"_s);
        ex->setFileName(u"C:\\Tidy-Pos\\Neu\\DEP_131"_s);
        ex->execute();
        qunsetenv("DEPEXPORT_DRIVE_C");
        // No extension: ".TXT" is appended; the folders are created.
        QCOMPARE(ex->fileName(), u"C:\\Tidy-Pos\\Neu\\DEP_131.TXT"_s);
        const QString local = db->path(u"Tidy-Pos/Neu/DEP_131.TXT"_s);
        QCOMPARE(ExportTestDatabase::readFile(local), QByteArray("ID;Name\r\n1;Zeile 1\r\n"));
        QCOMPARE(recorder->opened, QStringList{local});
    }

    void rowsPerFile()
    {
        db->create({numbersTable(5)});
        prepare(u"select * from Zahlen order by ID"_s);
        ex->setRowsPerFile(2);
        ex->header() << u"Kopf"_s;
        ex->footer() << u"Ende"_s;
        ex->execute();
        QCOMPARE(db->files(), QStringList({u"DEP_131.csv"_s, u"DEP_131001.csv"_s, u"DEP_131002.csv"_s}));
        QCOMPARE(ExportTestDatabase::readFile(target()),
                 QByteArray("Kopf\r\nID;Name\r\n1;Zeile 1\r\n2;Zeile 2\r\nEnde\r\n"));
        QCOMPARE(ExportTestDatabase::readFile(target(u"DEP_131001.csv"_s)),
                 QByteArray("Kopf\r\nID;Name\r\n3;Zeile 3\r\n4;Zeile 4\r\nEnde\r\n"));
        QCOMPARE(ExportTestDatabase::readFile(target(u"DEP_131002.csv"_s)),
                 QByteArray("Kopf\r\nID;Name\r\n5;Zeile 5\r\nEnde\r\n"));
        QCOMPARE(ex->statistic().totalCount, 1 + 1 + 5 + 1);
    }

    void emptyQueryAndExportIfEmpty()
    {
        db->create({numbersTable(2)});
        prepare(u"select * from Zahlen where ID > 10"_s);
        ex->setAddCtrlZ(true);
        ex->execute();
        QCOMPARE(ExportTestDatabase::readFile(target()), QByteArray("ID;Name\r\n\x1A"));
        QCOMPARE(recorder->opened.size(), 1);

        QFile::remove(target());
        ex->setExportIfEmpty(false);
        ex->execute();
        QCOMPARE(db->files(), QStringList());
        QCOMPARE(ex->statistic().result, erCompleted);
    }

    void columnsFromTheDataset()
    {
        db->create({{u"T"_s,
                     {JetColumn::of(u"A"_s, JetType::Long), JetColumn::of(u"B"_s, JetType::Double),
                      JetColumn::of(u"C"_s, JetType::Memo)},
                     {{1, 2.5, u"drei"_s}, {2, 3.5, u"vier"_s}}}});
        prepare(u"select * from T order by A"_s);
        db->query().fieldByName(u"B"_s).setDisplayLabel(u"Betrag"_s);
        db->query().next();
        ex->setRightToLeft(true);
        QList<int> precision;
        QList<TCellType> types;
        ex->onBeforeRecord = [&](TExportBaseComponent &sender, bool &accept) {
            if (precision.isEmpty()) {
                for (int i = 0; i < sender.columns().count(); ++i) {
                    precision << sender.columns().at(i).precision;
                    types << sender.columns().at(i).dataType;
                }
                QVERIFY(db->query().controlsDisabled());
            }
            accept = db->query().fieldByName(u"A"_s).asString() != u"2";
        };
        ex->execute();
        // Right to left, the label as title, a memo like any other column; a
        // rejected record is skipped.
        QCOMPARE(ExportTestDatabase::readFile(target()), QByteArray("C;Betrag;A\r\ndrei;2,5;1\r\n"));
        QCOMPARE(precision, QList<int>({0, 0, 0}));
        QCOMPARE(types, QList<TCellType>({ctMEMO, ctDouble, ctInteger}));
        // Back on the record of before the run, controls attached again.
        QCOMPARE(db->query().fieldByName(u"A"_s).asString(), u"2"_s);
        QVERIFY(!db->query().controlsDisabled());

        // The next run derives the columns of the changed query afresh.
        ex->onBeforeRecord = nullptr;
        ex->setRightToLeft(false);
        db->open(u"select C, A from T where A = 2"_s);
        ex->execute();
        QCOMPARE(ExportTestDatabase::readFile(target()), QByteArray("C;A\r\nvier;2\r\n"));
    }

    void appendingAndMail()
    {
        db->create({numbersTable(1)});
        prepare(u"select * from Zahlen"_s);
        {
            QFile old(target());
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("alt\r\n");
        }
        TExportOptions options = ex->options();
        options.include(soMergeData);
        ex->setOptions(options);
        ex->setActionAfterExport(aeEMail);
        ex->execute();
        QCOMPARE(ExportTestDatabase::readFile(target()), QByteArray("alt\r\nID;Name\r\n1;Zeile 1\r\n"));
        QCOMPARE(recorder->texts(), QStringList{u"Der Versand per E-Mail ist auf dieser Plattform nicht verfügbar."_s});
        QCOMPARE(recorder->opened, QStringList());
    }
};

QTEST_MAIN(TestTextExport)
#include "tst_textexport.moc"
