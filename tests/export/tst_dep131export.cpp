// The DEP 131 and LOG exports driven through the real main window: its
// buttons, on register databases made by our Jet writer, the files written
// into the folder field's folder (drive C: mapped to a folder of the test).

#include "ExportTestDatabase.h"
#include "FormatSettings.h"
#include "JetDatabaseWriter.h"
#include "OleDate.h"
#include "RegisterDatabase.h"
#include "TDateEdit.h"
#include "TDirectoryEdit.h"
#include "TRadioGroup.h"
#include "Tfrm_dep.h"
#include "ProgressWindowObserver.h"
#include "TfrmExportProcess.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

using Values = QMap<QString, JetValue>;

// A row for `columns`: the given values, plain defaults for the rest.
QList<JetValue> rowOf(const QList<JetColumn> &columns, const Values &values)
{
    QList<JetValue> row;
    for (const JetColumn &column : columns) {
        if (values.contains(column.name)) {
            row << values.value(column.name);
            continue;
        }
        switch (column.type) {
        case JetType::Text: row << JetValue(u"x"_s); break;
        case JetType::Memo: row << JetValue(nullptr); break;
        case JetType::Boolean: row << JetValue(false); break;
        case JetType::DateTime: row << JetValue(nullptr); break;
        default: row << JetValue(1); break;
        }
    }
    return row;
}

QDateTime at(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second));
}

// The first cell of every data row of a semicolon file.
QStringList firstCells(const QByteArray &file)
{
    QStringList cells;
    const QList<QByteArray> rows = file.split('\n');
    for (qsizetype i = 1; i < rows.size(); ++i) {
        if (!rows[i].isEmpty())
            cells << QString::fromLatin1(rows[i].left(rows[i].indexOf(';')));
    }
    return cells;
}

} // namespace

class TestDep131Export : public QObject
{
    Q_OBJECT

    QTemporaryDir drive;
    ExportRecorder *recorder = nullptr;
    Tfrm_dep *w = nullptr;

    // Drive C: of the test.
    QString local(const QString &path) const { return drive.path() + u'/' + path; }

    void writeDatabase(const QString &folder, const QString &file, const QList<Values> &shop,
                       const QList<Values> &log, bool withLog = true)
    {
        QDir().mkpath(local(folder));
        JetDatabaseWriter writer(local(folder + u'/' + file), u"quillet"_s);
        JetTable sales = writer.addTable(u"Barverkaeufe"_s, RegisterDatabase::shopSalesColumns());
        for (const Values &values : shop)
            sales.addRow(rowOf(RegisterDatabase::shopSalesColumns(), values));
        writer.addTable(u"BarverkaeufeGastro"_s, RegisterDatabase::gastroSalesColumns());
        if (withLog) {
            JetTable protokoll = writer.addTable(u"Protokoll"_s, RegisterDatabase::logColumns());
            for (const Values &values : log)
                protokoll.addRow(rowOf(RegisterDatabase::logColumns(), values));
        }
        writer.finish();
    }

    void choose(int variant, QDate from, QDate to)
    {
        w->rg_version->setItemIndex(variant);
        w->ed_vondatum->setDate(from);
        w->ed_bisdatum->setDate(to);
    }

    static QList<Values> sales()
    {
        // Period 1 March to 31 March 2019.
        return {
            {{u"ID_Barverkaufspositionen"_s, 1}, {u"Tagesabrechnung"_s, at(2019, 3, 1)}, {u"Status"_s, 1}},
            {{u"ID_Barverkaufspositionen"_s, 2}, {u"Tagesabrechnung"_s, at(2019, 3, 2)}, {u"Status"_s, 0}},
            {{u"ID_Barverkaufspositionen"_s, 3},
             {u"Tagesabrechnung"_s, at(2019, 3, 15, 12, 30)},
             {u"Status"_s, 2},
             {u"Bezeichnung"_s, u"Großer Brauner"_s},
             {u"Menge"_s, 1.5},
             {u"Einzelpreis"_s, JetValue::currency(42000)},
             {u"Betrag"_s, JetValue::currency(63000)},
             {u"MwStSatz"_s, 10.0},
             {u"Storno"_s, true},
             {u"Bemerkung"_s, u"Gutschein € 10"_s}},
            {{u"ID_Barverkaufspositionen"_s, 4}, {u"Tagesabrechnung"_s, at(2019, 3, 20)}, {u"Status"_s, -1}},
            {{u"ID_Barverkaufspositionen"_s, 5}, {u"Tagesabrechnung"_s, at(2019, 3, 31, 23, 59, 59)}, {u"Status"_s, 1}},
            {{u"ID_Barverkaufspositionen"_s, 6}, {u"Tagesabrechnung"_s, at(2019, 4, 1)}, {u"Status"_s, 1}},
            {{u"ID_Barverkaufspositionen"_s, 7}, {u"Tagesabrechnung"_s, at(2019, 2, 28, 23, 59, 59)}, {u"Status"_s, 1}},
        };
    }

private slots:
    void initTestCase()
    {
        qputenv("DEPEXPORT_DRIVE_C", drive.path().toLocal8Bit());
        FormatSettings::setCurrent(FormatSettings::fromLocale(QLocale(QLocale::German, QLocale::Germany)));
    }

    void init()
    {
        recorder = new ExportRecorder;
        w = new Tfrm_dep;
        w->show();
    }

    void cleanup()
    {
        delete w;
        delete recorder;
        QDir(drive.path()).removeRecursively();
        QDir().mkpath(drive.path());
    }

    void dep131StatusFilterAndDescendingOrder()
    {
        writeDatabase(u"Tidy-Pos"_s, u"Vel4TidyShop.mdb"_s, sales(), {});
        const FormatSettings before = FormatSettings::current();
        choose(4, QDate(2019, 3, 1), QDate(2019, 3, 31));
        QTest::mouseClick(w->btn_dep131_export, Qt::LeftButton);

        QCOMPARE(recorder->texts(), QStringList());
        const QByteArray file = ExportTestDatabase::readFile(local(u"Tidy-Pos/DEP_131.csv"_s));
        QVERIFY(file.startsWith("ID_Barverkaufspositionen;Barverkauf_nr;Firma;Kassa;Tagesabrechnung;Status;"
                                "Zahlungsart;Artikelnummer;Bezeichnung;Menge;Einzelpreis;Betrag;MwStSatz;Storno;"
                                "Periode_bv;Signaturzertifikat;Zertifizierungsstellen;JWSSignatur;Bemerkung\r\n"));
        // Status 1 and more, the whole last day, newest position first.
        QCOMPARE(firstCells(file), QStringList({u"5"_s, u"3"_s, u"1"_s}));
        QVERIFY(file.contains("\r\n3;1;1;1;15.03.2019 12:30:00;2;1;x;Gro\xDF" "er Brauner;1,5;4,2;6,3;10;True;1;;;;"
                              "Gutschein \x80 10\r\n"));
        QVERIFY(file.contains("\r\n1;1;1;1;01.03.2019;1;"));
        QVERIFY(file.endsWith(";\r\n"));
        QCOMPARE(recorder->opened, QStringList{local(u"Tidy-Pos/DEP_131.csv"_s)});
        QCOMPARE(FormatSettings::current().decimalSeparator, before.decimalSeparator);
        QCOMPARE(FormatSettings::current().dateSeparator, before.dateSeparator);
        // The query stays open as the component's dataset.
        QCOMPARE(w->ex_dep_export.dataSet(), &w->qry_dep_shop);
        QVERIFY(w->qry_dep_shop.isActive());
    }

    // Amounts, negative amounts, zero, Double and Single values, fifteen
    // significant digits and date-times with and without a time of day, the
    // same whatever locale the C library is in (LC_NUMERIC's decimal comma
    // must not double the run's own).
    void valueTextsOfEveryKind()
    {
        const auto sale = [](int id, const QDateTime &time, double menge, qint64 preis, qint64 betrag, double mwst) {
            return Values{{u"ID_Barverkaufspositionen"_s, id},        {u"Tagesabrechnung"_s, time},
                          {u"Status"_s, 1},                            {u"Menge"_s, menge},
                          {u"Einzelpreis"_s, JetValue::currency(preis)}, {u"Betrag"_s, JetValue::currency(betrag)},
                          {u"MwStSatz"_s, mwst}};
        };
        writeDatabase(u"Tidy-Pos"_s, u"Vel4TidyShop.mdb"_s,
                      {sale(11, at(2019, 3, 5, 23, 59, 59), 1234.5, 12345000, 1, 10.0),
                       sale(12, at(2019, 3, 6, 14, 52, 29), -2.5, 219000, -547500, 13.5),
                       sale(13, at(2019, 3, 7, 8, 12), 123456789012345.0, 123456789012345, -123456789012345, 0.1),
                       sale(14, at(2019, 3, 8), 0.0, 0, 0, 0.0),
                       sale(15, at(2019, 3, 9, 0, 0, 1), 1.0 / 3.0, -1, 100000, 0.0001)},
                      {});
        choose(4, QDate(2019, 3, 1), QDate(2019, 3, 31));
        QTest::mouseClick(w->btn_dep131_export, Qt::LeftButton);
        QCOMPARE(recorder->texts(), QStringList());
        const QByteArray rest = ";1;1;x;x;";
        const QByteArray tail = ";False;1;;;;\r\n";
        QCOMPARE(ExportTestDatabase::readFile(local(u"Tidy-Pos/DEP_131.csv"_s)),
                 "ID_Barverkaufspositionen;Barverkauf_nr;Firma;Kassa;Tagesabrechnung;Status;Zahlungsart;Artikelnummer;"
                 "Bezeichnung;Menge;Einzelpreis;Betrag;MwStSatz;Storno;Periode_bv;Signaturzertifikat;"
                 "Zertifizierungsstellen;JWSSignatur;Bemerkung\r\n"
                 "15;1;1;1;09.03.2019 00:00:01" + rest + "0,333333333333333;-0,0001;10;0,0001" + tail
                 + "14;1;1;1;08.03.2019" + rest + "0;0;0;0" + tail
                 + "13;1;1;1;07.03.2019 08:12:00" + rest + "123456789012345;12345678901,2345;-12345678901,2345;0,1" + tail
                 + "12;1;1;1;06.03.2019 14:52:29" + rest + "-2,5;21,9;-54,75;13,5" + tail
                 + "11;1;1;1;05.03.2019 23:59:59" + rest + "1234,5;1234,5;0,0001;10" + tail);

        // A locale with a 12-hour clock: its order and designator, the run's
        // separators, numbers unchanged.
        FormatSettings::setCurrent(FormatSettings::fromLocale(QLocale(QLocale::English, QLocale::UnitedStates)));
        for (TDateEdit *field : {w->ed_vondatum, w->ed_bisdatum}) {
            QEvent change(QEvent::LocaleChange);
            QApplication::sendEvent(field, &change);
        }
        QCOMPARE(w->ed_bisdatum->dateText(), u"03/31/2019"_s);
        QTest::mouseClick(w->btn_dep131_export, Qt::LeftButton);
        FormatSettings::setCurrent(FormatSettings::fromLocale(QLocale(QLocale::German, QLocale::Germany)));
        QCOMPARE(recorder->texts(), QStringList());
        const QByteArray file = ExportTestDatabase::readFile(local(u"Tidy-Pos/DEP_131.csv"_s));
        QVERIFY(file.contains("\r\n15;1;1;1;3.9.2019 12:00:01 AM" + rest + "0,333333333333333;-0,0001;10;0,0001" + tail));
        QVERIFY(file.contains("\r\n14;1;1;1;3.8.2019" + rest));
        QVERIFY(file.contains("\r\n13;1;1;1;3.7.2019 8:12:00 AM" + rest));
        QVERIFY(file.contains("\r\n12;1;1;1;3.6.2019 2:52:29 PM" + rest + "-2,5;21,9;-54,75;13,5" + tail));
        QVERIFY(file.contains("\r\n11;1;1;1;3.5.2019 11:59:59 PM" + rest));
    }

    void logHalfOpenPeriodForBothVariantsOfOneFile()
    {
        const QList<Values> log = {
            {{u"ID"_s, 1}, {u"DatumZeit"_s, at(2019, 2, 28, 23, 59, 59)}, {u"Ereignis"_s, u"davor"_s}},
            {{u"ID"_s, 2}, {u"DatumZeit"_s, at(2019, 3, 1)}, {u"Ereignis"_s, u"Anmeldung"_s}},
            {{u"ID"_s, 3}, {u"DatumZeit"_s, at(2019, 3, 31, 23, 59, 59)}, {u"Ereignis"_s, u"Tagesabschluss"_s}},
            {{u"ID"_s, 4}, {u"DatumZeit"_s, at(2019, 4, 1)}, {u"Ereignis"_s, u"danach"_s}},
            {{u"ID"_s, 5}, {u"DatumZeit"_s, at(2019, 3, 10, 8, 0, 1)}, {u"Details"_s, u"Kassenlade geöffnet"_s}},
        };
        writeDatabase(u"VelmarFaktura"_s, u"VelmarFaktura.mdb"_s, {}, log);
        const QByteArray expected = "ID;DatumZeit;Kassa;Benutzer;Ereignis;Details\r\n"
                                    "3;31.03.2019 23:59:59;1;x;Tagesabschluss;\r\n"
                                    "5;10.03.2019 08:00:01;1;x;x;Kassenlade ge\xF6" "ffnet\r\n"
                                    "2;01.03.2019;1;x;Anmeldung;\r\n";
        for (int variant : {0, 1}) {
            QFile::remove(local(u"VelmarFaktura/LOG.csv"_s));
            choose(variant, QDate(2019, 3, 1), QDate(2019, 3, 31));
            QTest::mouseClick(w->btn_log_export, Qt::LeftButton);
            QCOMPARE(ExportTestDatabase::readFile(local(u"VelmarFaktura/LOG.csv"_s)), expected);
        }
        QCOMPARE(recorder->texts(), QStringList());
        QCOMPARE(recorder->opened, QStringList(2, local(u"VelmarFaktura/LOG.csv"_s)));
    }

    void emptyPeriodWritesAndShowsNothing()
    {
        writeDatabase(u"Tidy-Pos"_s, u"Vel4TidyShop.mdb"_s, sales(), sales().mid(0, 0));
        QFile old(local(u"Tidy-Pos/DEP_131.csv"_s));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("vom letzten Mal");
        old.close();
        choose(4, QDate(2020, 1, 1), QDate(2020, 1, 31));
        QTest::mouseClick(w->btn_dep131_export, Qt::LeftButton);
        QTest::mouseClick(w->btn_log_export, Qt::LeftButton);
        QCOMPARE(recorder->texts(), QStringList());
        QCOMPARE(recorder->opened, QStringList());
        QCOMPARE(ExportTestDatabase::readFile(local(u"Tidy-Pos/DEP_131.csv"_s)), QByteArray("vom letzten Mal"));
        QVERIFY(!QFile::exists(local(u"Tidy-Pos/LOG.csv"_s)));
    }

    void sqlErrorWhenTheQueryFails()
    {
        writeDatabase(u"Tidy-Pos"_s, u"Vel4TidyShop.mdb"_s, sales(), {}, false);
        choose(4, QDate(2019, 3, 1), QDate(2019, 3, 31));
        QTest::mouseClick(w->btn_log_export, Qt::LeftButton);
        QCOMPARE(recorder->texts().size(), 1);
        QCOMPARE(recorder->texts().first(), u"SQL Error Die Tabelle 'Protokoll' wurde nicht gefunden."_s);
        QCOMPARE(recorder->kinds(), QList<MessageBoxKind>{MessageBoxKind::Plain});
        QVERIFY(!QFile::exists(local(u"Tidy-Pos/LOG.csv"_s)));
        QCOMPARE(recorder->opened, QStringList());
    }

    void openedAfterCancelButNotAfterFailure()
    {
        writeDatabase(u"Tidy-Pos"_s, u"Vel4TidyShop.mdb"_s, sales(), {});
        choose(4, QDate(2019, 3, 1), QDate(2019, 3, 31));
        w->ex_dep_export.onAfterRecord = [](TExportBaseComponent &sender, bool &) {
            QTest::mouseClick(ProgressWindowObserver::windowOf(sender)->btnCancel, Qt::LeftButton);
        };
        QTest::mouseClick(w->btn_dep131_export, Qt::LeftButton);
        QCOMPARE(w->ex_dep_export.statistic().result, erCanceled);
        QCOMPARE(firstCells(ExportTestDatabase::readFile(local(u"Tidy-Pos/DEP_131.csv"_s))), QStringList{u"5"_s});
        QCOMPARE(recorder->opened, QStringList{local(u"Tidy-Pos/DEP_131.csv"_s)});
        QCOMPARE(recorder->texts(), QStringList());

        // A folder where the file should go: the run fails, nothing is opened.
        w->ex_dep_export.onAfterRecord = nullptr;
        recorder->opened.clear();
        QVERIFY(QFile::remove(local(u"Tidy-Pos/DEP_131.csv"_s)));
        QVERIFY(QDir().mkpath(local(u"Tidy-Pos/DEP_131.csv"_s)));
        QTest::mouseClick(w->btn_dep131_export, Qt::LeftButton);
        QCOMPARE(w->ex_dep_export.statistic().result, erFailed);
        QCOMPARE(recorder->texts(),
                 QStringList{u"Fehler beim Datenexport.: Die Datei C:\\Tidy-Pos\\DEP_131.csv kann nicht angelegt "
                             u"werden: unter diesem Namen besteht ein Ordner"_s});
        QCOMPARE(recorder->opened, QStringList());
    }
};

QTEST_MAIN(TestDep131Export)
#include "tst_dep131export.moc"
