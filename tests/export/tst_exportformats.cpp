#include "CharacterSets.h"
#include "Error.h"
#include "ExportTestDatabase.h"
#include "FormatSettings.h"
#include "OleDate.h"
#include "TextExportDesign.h"
#include "TExportDataFormats.h"
#include "TExportToText.h"

#include <QtTest>

using namespace Qt::StringLiterals;

// Value formatting of the export: the data formats and the formats they
// build, the process-wide settings of a run, blank-if-zero, system
// variables, character sets and file names. Runs without a GUI application,
// so the progress window cannot be made.
class TestExportFormats : public QObject
{
    Q_OBJECT

    static FormatSettings processFormats() { return foreignProcessFormats(u':'); }

    static TestTable datesTable()
    {
        return {u"T"_s,
                {JetColumn::of(u"ID"_s, JetType::Long), JetColumn::of(u"Datum"_s, JetType::DateTime),
                 JetColumn::of(u"Storno"_s, JetType::Boolean), JetColumn::of(u"Betrag"_s, JetType::Double),
                 JetColumn::text(u"Name"_s, 10)},
                {{1, QDateTime({2019, 3, 5}, {0, 0}), true, 0.0, nullptr},
                 {2, QDateTime({2019, 12, 24}, {8, 5, 9}), false, 2.5, u"x"_s},
                 {3, JetValue::oleDate(0), false, nullptr, u""_s}}};
    }

    // The dates table with a query open on it; message boxes and opened
    // files recorded.
    struct DatesRun
    {
        explicit DatesRun(const QString &sql)
        {
            db.create({datesTable()});
            db.open(sql);
        }
        // The register's text design on the query, into `name` in the
        // database's folder.
        void design(TExportToText &ex, const QString &name)
        {
            TextExportDesign::apply(ex);
            ex.setDataSet(&db.query());
            ex.setFileName(db.path(name));
        }
        QByteArray file(const QString &name) const { return ExportTestDatabase::readFile(db.path(name)); }

        ExportTestDatabase db;
        ExportRecorder recorder;
    };

private slots:
    void init() { FormatSettings::setCurrent(processFormats()); }

    void builtFormats_data()
    {
        QTest::addColumn<int>("order");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<bool>("fourDigits");
        QTest::addColumn<bool>("leadingZeros");
        QTest::addColumn<QString>("text");
        QTest::newRow("register") << int(doDMY) << u"."_s << true << true << u"05.03.2019 08:05:09"_s;
        QTest::newRow("YMD, short") << int(doYMD) << u"-"_s << false << false << u"19-3-5 08:05:09"_s;
        QTest::newRow("MDY, slash") << int(doMDY) << u"/"_s << true << false << u"3/5/2019 08:05:09"_s;
        QTest::newRow("no separator") << int(doYDM) << QString() << true << true << u"20190503 08:05:09"_s;
    }
    void builtFormats()
    {
        QFETCH(int, order);
        QFETCH(QString, separator);
        QFETCH(bool, fourDigits);
        QFETCH(bool, leadingZeros);
        QFETCH(QString, text);
        TExportDataFormats formats;
        formats.dateOrder = TDateOrder(order);
        formats.dateSeparator = separator.isEmpty() ? QChar() : separator.at(0);
        formats.timeSeparator = u':';
        formats.fourDigitYear = fourDigits;
        formats.leadingZerosInDate = leadingZeros;
        const double day = OleDate::fromDateTime(QDateTime({2019, 3, 5}, {8, 5, 9}));
        const QString picture = formats.dateFormat() + u' ' + formats.timeFormat();
        QCOMPARE(TextFormat::formatDateTime(picture, day, FormatSettings::current()), text);
        formats.customDateTimeFormat = u"yyyy/mm"_s;
        QCOMPARE(formats.dateFormat(), u"YYYY/MM"_s);
    }

    void regionalLoad_data()
    {
        QTest::addColumn<QString>("shortDate");
        QTest::addColumn<int>("order");
        QTest::addColumn<bool>("fourDigits");
        QTest::addColumn<bool>("leadingZeros");
        QTest::newRow("US") << u"M/d/yyyy"_s << int(doMDY) << true << false;
        QTest::newRow("German") << u"dd/mm/yyyy"_s << int(doDMY) << true << true;
        QTest::newRow("ISO") << u"yyyy/mm/dd"_s << int(doYMD) << true << true;
        QTest::newRow("day, year, month") << u"d/yy/m"_s << int(doDYM) << false << false;
        QTest::newRow("one separator") << u"dd/mm"_s << int(doMDY) << false << true;
    }
    void regionalLoad()
    {
        QFETCH(QString, shortDate);
        QFETCH(int, order);
        QFETCH(bool, fourDigits);
        QFETCH(bool, leadingZeros);
        FormatSettings s = processFormats();
        s.shortDateFormat = shortDate;
        TExportDataFormats formats;
        formats.customDateTimeFormat = u"x"_s;
        formats.loadRegional(s);
        QCOMPARE(int(formats.dateOrder), order);
        QCOMPARE(formats.fourDigitYear, fourDigits);
        QCOMPARE(formats.leadingZerosInDate, leadingZeros);
        QCOMPARE(formats.dateSeparator, u'/');
        QCOMPARE(formats.currencyString, u"$"_s);
        QVERIFY(formats.customDateTimeFormat.isEmpty());
    }

    // A run formats its values with the five values of its formats over
    // the process's settings, and leaves the process's own as they are.
    void runSettingsTakeFiveValues()
    {
        TExportDataFormats formats;
        formats.decimalSeparator = u',';
        formats.thousandSeparator = u'.';
        formats.dateSeparator = u'.';
        formats.timeSeparator = u'-';
        formats.currencyString = u"€"_s;
        const FormatSettings run = formats.installedInto(FormatSettings::current());
        QCOMPARE(run.decimalSeparator, u',');
        QCOMPARE(run.thousandSeparator, u'.');
        QCOMPARE(run.dateSeparator, u'.');
        QCOMPARE(run.timeSeparator, u'-');
        QCOMPARE(run.currencyString, u"€"_s);
        QCOMPARE(run.shortDateFormat, u"dd/mm/yyyy"_s);
        const FormatSettings &s = FormatSettings::current();
        QCOMPARE(s.decimalSeparator, u'.');
        QCOMPARE(s.thousandSeparator, u',');
        QCOMPARE(s.dateSeparator, u'/');
        QCOMPARE(s.timeSeparator, u':');
        QCOMPARE(s.currencyString, u"$"_s);
    }

    void ebcdicTable()
    {
        QCOMPARE(CharacterSets::ebcdicByte(0x0D), 0x0D);
        QCOMPARE(CharacterSets::ebcdicByte(' '), 0x40);
        QCOMPARE(CharacterSets::ebcdicByte('0'), 0xF0);
        QCOMPARE(CharacterSets::ebcdicByte('A'), 0xC1);
        QCOMPARE(CharacterSets::ebcdicByte('Z'), 0xE9);
        QCOMPARE(CharacterSets::ebcdicByte('a'), 0x81);
        QCOMPARE(CharacterSets::ebcdicByte('z'), 0xA9);
        QCOMPARE(CharacterSets::ebcdicByte('~'), 0xA1);
        QCOMPARE(CharacterSets::ebcdicByte(0x7F), 0x4B);
        QCOMPARE(CharacterSets::ebcdicByte(0xFF), 0x4B);
        QByteArray bytes("kein;Ja");
        CharacterSets::convert(bytes, 5, csEBCDIC);
        QCOMPARE(bytes, QByteArray("kein;\xD1\x81"));
    }

    void fileNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("numbered");
        QTest::newRow("first") << u"C:\\Tidy-Pos\\DEP_131.csv"_s << 0 << u"C:\\Tidy-Pos\\DEP_131.csv"_s;
        QTest::newRow("second") << u"C:\\Tidy-Pos\\DEP_131.csv"_s << 1 << u"C:\\Tidy-Pos\\DEP_131001.csv"_s;
        QTest::newRow("dot in folder") << u"C:\\a.b\\LOG"_s << 12 << u"C:\\a.b\\LOG012"_s;
        QTest::newRow("thousand") << u"/srv/x.csv"_s << 1000 << u"/srv/x1000.csv"_s;
    }
    void fileNames()
    {
        QFETCH(QString, name);
        QFETCH(int, number);
        QFETCH(QString, numbered);
        QCOMPARE(TExportToCellFile::numberedFileName(name, number), numbered);
    }

    // A fresh component with soFieldMask: its own boolean texts and the
    // built date formats.
    void fieldMaskTexts()
    {
        DatesRun run(u"select ID, Datum, Storno from T order by ID"_s);
        TExportToText ex;
        ex.setColumnSource(csDataSet);
        ex.setDataSet(&run.db.query());
        ex.setAnimatedStatus(false);
        ex.setAddTitle(false);
        ex.setSeparator(u'|');
        ex.setOptions(TExportOptions{soFieldMask});
        ex.setFileName(run.db.path(u"mask.txt"_s));
        ex.dataFormats().dateOrder = doYMD;
        ex.dataFormats().dateSeparator = u'-';
        ex.dataFormats().leadingZerosInDate = false;
        ex.dataFormats().fourDigitYear = false;
        ex.execute();
        QCOMPARE(run.file(u"mask.txt"_s),
                 QByteArray("1|19-3-5|Wahr\r\n2|19-12-24 08:05:09|Falsch\r\n3|99-12-30|Falsch\r\n"));
        // Without soShowMessage there is no box, not even the success text.
        QCOMPARE(run.recorder.texts(), QStringList());
    }

    void regionalSettingsAtRunStart()
    {
        DatesRun run(u"select Datum from T where ID = 1"_s);
        FormatSettings us = processFormats();
        us.shortDateFormat = u"M/d/yyyy"_s;
        FormatSettings::setCurrent(us);
        TExportToText ex;
        run.design(ex, u"us.txt"_s);
        ex.setAnimatedStatus(false);
        ex.setOptions(TExportOptions{soFieldMask});
        ex.dataFormats().useRegionalSettings = true;
        ex.execute();
        QCOMPARE(run.file(u"us.txt"_s), QByteArray("Datum\r\n3/5/2019\r\n"));
        QCOMPARE(int(ex.dataFormats().dateOrder), int(doMDY));
        QCOMPARE(ex.dataFormats().decimalSeparator, u'.');
    }

    void blankIfZeroAndSystemVariables()
    {
        DatesRun run(u"select * from T order by ID"_s);
        TExportToText ex;
        run.design(ex, u"blank.csv"_s);
        ex.setAnimatedStatus(false);
        ex.setActionAfterExport(aeNone);
        ex.setBlankIfZero(true);
        const auto addColumn = [&ex](TColumnKind kind, const QString &name) {
            TExportColumn &column = ex.columns().add();
            column.columnKind = kind;
            column.fieldName = name;
            column.title.caption = name;
        };
        addColumn(ckSysVar, u"RowNo"_s);
        addColumn(ckField, u"Datum"_s);
        addColumn(ckField, u"Betrag"_s);
        addColumn(ckField, u"Name"_s);
        addColumn(ckField, u"Fehlt"_s);
        addColumn(ckConstant, u"fest"_s);
        addColumn(ckSysVar, u"COLNO"_s);
        addColumn(ckSysVar, u"generator"_s);
        addColumn(ckSysVar, u"COUNT"_s);
        ex.execute();
        QCOMPARE(ex.statistic().result, erCompleted);
        QCOMPARE(run.file(u"blank.csv"_s),
                 QByteArray("RowNo;Datum;Betrag;Name;Fehlt;fest;COLNO;generator;COUNT\r\n"
                            "1;05.03.2019;;;;fest;7;DEP-Export 1.0;4\r\n"
                            "2;24.12.2019 08:05:09;2,5;x;;fest;7;DEP-Export 1.0;4\r\n"
                            "3;;;;;fest;7;DEP-Export 1.0;4\r\n"));
        // The success text appears in a box when there is no progress window.
        QCOMPARE(run.recorder.texts(),
                 QStringList{u"Der Datenexport in die Datei %1 wurde erfolgreich beendet."_s.arg(ex.fileName())});
    }

    // Without a GUI application there is no progress window: that is said
    // once, and the run goes on.
    void noProgressWindow()
    {
        DatesRun run(u"select ID from T order by ID"_s);
        TExportToText ex;
        run.design(ex, u"LOG.csv"_s);
        ex.execute();
        QCOMPARE(ex.statistic().result, erCompleted);
        QCOMPARE(run.recorder.texts(), QStringList{u"Kann den Prozess-Dialog nicht erzeugen"_s});
        QCOMPARE(run.recorder.kinds(), QList<MessageBoxKind>{MessageBoxKind::Error});
        QCOMPARE(run.file(u"LOG.csv"_s), QByteArray("ID\r\n1\r\n2\r\n3\r\n"));
        QCOMPARE(run.recorder.opened, QStringList{run.db.path(u"LOG.csv"_s)});
    }
};

QTEST_GUILESS_MAIN(TestExportFormats)
#include "tst_exportformats.moc"
