// The main window without a database: design values, the variant list,
// the show handler, the title and the texts of the message boxes.

#include "FormatSettings.h"
#include "IsolatedSettings.h"
#include "MessageBox.h"
#include "PeriodBinding.h"
#include "TDateEdit.h"
#include "TDirectoryEdit.h"
#include "TRadioGroup.h"
#include "Tfrm_dep.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

class WindowTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_settings.clear(); }

    void initTestCase()
    {
        FormatSettings::setCurrent(FormatSettings::fromLocale(QLocale(QStringLiteral("de_DE"))));
    }

    void componentsAreNamedAsTheirMembers()
    {
        Tfrm_dep w;
        const QList<QPair<QWidget *, const char *>> members = {
            {w.rg_version, "rg_version"},       {w.Panel1, "Panel1"},
            {w.btn_dep131_export, "btn_dep131_export"}, {w.btn_dep7_export, "btn_dep7_export"},
            {w.btn_log_export, "btn_log_export"}, {w.Panel2, "Panel2"},
            {w.lbl_zeitraumvon, "lbl_zeitraumvon"}, {w.ed_vondatum, "ed_vondatum"},
            {w.ed_bisdatum, "ed_bisdatum"},     {w.lbl_zeitraumbis, "lbl_zeitraumbis"},
            {w.pnl_access, "pnl_access"},       {w.Label1, "Label1"},
            {w.ed_datenbank, "ed_datenbank"},   {w.Label2, "Label2"},
            {w.ed_passwort, "ed_passwort"},     {w.Panel3, "Panel3"},
            {w.Label3, "Label3"},               {w.Label4, "Label4"},
            {w.Label5, "Label5"},               {w.ed_servername, "ed_servername"},
        };
        for (const auto &[widget, name] : members) {
            QVERIFY2(widget, name);
            QCOMPARE(widget->objectName(), QLatin1String(name));
            QCOMPARE(w.findChild<QWidget *>(QLatin1String(name)), widget);
        }
        QVERIFY(!w.Datenbank_Verbindung.connected());
        QVERIFY(!w.Datenbank_Verbindung.loginPrompt());
    }

    void designValues()
    {
        Tfrm_dep w;
        QCOMPARE(w.windowTitle(), QStringLiteral("DEP Dateien 20.03.2019"));
        QCOMPARE(w.size(), QSize(601, 577));
        QCOMPARE(w.pos(), QPoint(372, 122));
        QCOMPARE(w.rg_version->title(), QStringLiteral("PROGRAMM-VERSION wählen"));
        QCOMPARE(w.rg_version->items(),
                 QStringList({"VEL4SHOP ACCESS", "VEL4GASTRO ACCESS", "VEL4SHOP SQL-Server", "VEL4GASTRO SQL-Server",
                              "TIDY-POS", "TIDY-GASTRO"}));
        QCOMPARE(w.rg_version->itemIndex(), -1);
        QCOMPARE(w.btn_dep131_export->text(), QStringLiteral("DEP 131 erstellen"));
        QCOMPARE(w.btn_dep7_export->text(), QStringLiteral("DEP 7 Export"));
        QCOMPARE(w.btn_log_export->text(), QStringLiteral("LOG Export"));
        QCOMPARE(w.lbl_zeitraumvon->text(), QStringLiteral("Zeitraum von:"));
        QCOMPARE(w.lbl_zeitraumbis->text(), QStringLiteral("bis:"));
        QCOMPARE(w.Label1->text(), QStringLiteral("Pfad Datenbank"));
        QCOMPARE(w.Label2->text(), QStringLiteral("Passwort"));
        QCOMPARE(w.Label3->text(), QStringLiteral("ACCESS-Datenbank"));
        QCOMPARE(w.Label4->text(), QStringLiteral("SQL-Server-Datenbank"));
        QCOMPARE(w.Label5->text(), QStringLiteral("Servername"));
        QCOMPARE(w.ed_datenbank->text(), QStringLiteral("C:\\Tidy-Pos"));
        QCOMPARE(w.ed_passwort->text(), QStringLiteral("quillet"));
        QCOMPARE(w.ed_passwort->echoMode(), QLineEdit::Password);
        QCOMPARE(w.ed_servername->text(), QStringLiteral("LOCALHOST\\SQLEXPRESS"));
        // The period is filled in when the window is shown.
        QVERIFY(!w.ed_vondatum->date().isValid());
        QVERIFY(!w.ed_bisdatum->date().isValid());

        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        // Top to bottom at the design size.
        QCOMPARE(w.rg_version->geometry(), QRect(0, 0, 601, 266));
        QCOMPARE(w.Panel3->geometry(), QRect(0, 266, 601, 80));
        QCOMPARE(w.pnl_access->geometry(), QRect(0, 346, 601, 95));
        QCOMPARE(w.Panel2->geometry(), QRect(0, 441, 601, 80));
        QCOMPARE(w.Panel1->geometry(), QRect(0, 521, 601, 56));
        QCOMPARE(w.Label4->parentWidget(), w.Panel3);
        QCOMPARE(w.Label3->parentWidget(), w.pnl_access);
        QCOMPARE(w.ed_servername->geometry(), QRect(168, 40, 378, 21));
        QCOMPARE(w.ed_datenbank->geometry(), QRect(168, 40, 378, 21));
        QCOMPARE(w.ed_passwort->geometry(), QRect(168, 64, 81, 21));
        QCOMPARE(w.ed_vondatum->geometry(), QRect(167, 19, 89, 21));
        QCOMPARE(w.ed_bisdatum->geometry(), QRect(167, 43, 89, 21));
        // Labels stand at x = 40; their height follows the baseline of their
        // field's text in the fonts there are, near the design's y
        // (tst_screenshot judges the line on the window's pixels).
        for (const auto &[label, designY] : {std::pair{w.Label5, 41}, std::pair{w.Label2, 65},
                                              std::pair{w.lbl_zeitraumbis, 44}}) {
            QCOMPARE(label->x(), 40);
            QVERIFY2(std::abs(label->y() - designY) <= 8, qPrintable(label->objectName()));
        }
        QCOMPARE(w.btn_dep131_export->geometry(), QRect(8, 9, 185, 39));
        QCOMPARE(w.btn_dep7_export->geometry(), QRect(208, 9, 185, 39));
        QCOMPARE(w.btn_log_export->geometry(), QRect(408, 9, 185, 39));
        QCOMPARE(w.btn_dep7_export->iconSize(), QSize(32, 32));

        QCOMPARE(w.Panel1->palette().color(QPalette::Window), QColor(0, 0, 128));
        QCOMPARE(w.Panel3->palette().color(QPalette::Window), QColor(192, 192, 192));
        QCOMPARE(w.pnl_access->palette().color(QPalette::Window), QColor(176, 176, 176));
        QCOMPARE(w.Panel2->palette().color(QPalette::Window), w.palette().color(QPalette::Highlight));

        QCOMPARE(w.font().family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(w.font().pixelSize(), 11);
        QCOMPARE(w.ed_vondatum->font().pixelSize(), 11);
        QCOMPARE(w.Label1->font().family(), QStringLiteral("Tahoma"));
        QCOMPARE(w.Label1->font().pixelSize(), 16);
        QCOMPARE(w.btn_log_export->font().pixelSize(), 16);
        QVERIFY(w.Label3->font().bold() && w.Label3->font().underline());
        QCOMPARE(w.Label4->font().pixelSize(), 16);
    }

    // Only the variant list follows the window's height.
    void resizingChangesOnlyTheVariantList()
    {
        Tfrm_dep w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.resize(700, 777);
        QTRY_COMPARE(w.rg_version->height(), 466);
        QCOMPARE(w.Panel3->height(), 80);
        QCOMPARE(w.Panel1->geometry(), QRect(0, 721, 700, 56));
        // The six entries are spread over the list's height.
        QVERIFY(w.rg_version->button(5)->geometry().bottom() > 400);
    }

    // Tab moves through the variant list, the folder, the password and the
    // server field; the buttons and the date fields are no tab stops.
    void tabOrder()
    {
        Tfrm_dep w;
        for (QWidget *notTabbed : {static_cast<QWidget *>(w.btn_dep131_export), static_cast<QWidget *>(w.btn_dep7_export),
                                   static_cast<QWidget *>(w.btn_log_export), static_cast<QWidget *>(w.ed_vondatum),
                                   static_cast<QWidget *>(w.ed_bisdatum)})
            QVERIFY(!(notTabbed->focusPolicy() & Qt::TabFocus));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.rg_version->setItemIndex(2);
        w.rg_version->button(2)->setFocus();
        QList<QWidget *> visited;
        for (int i = 0; i < 4; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget();
        }
        QCOMPARE(visited, (QList<QWidget *>{w.ed_datenbank, w.ed_passwort, w.ed_servername, w.rg_version->button(2)}));
    }

    void choosingAVariantSetsItsFolder()
    {
        Tfrm_dep w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QString from = w.ed_vondatum->dateText();
        w.ed_passwort->setText(QStringLiteral("geheim"));
        w.ed_servername->setText(QStringLiteral("KASSE\\SQL"));

        const QStringList folders = {"C:\\VelmarFaktura", "C:\\VelmarFaktura", "C:\\VelmarFaktura",
                                     "C:\\VelmarFaktura", "C:\\Tidy-Pos",      "C:\\TidyGastro"};
        for (int index : {3, 5, 0, 4, 1, 2}) {
            w.ed_datenbank->setText(QStringLiteral("D:\\Eigene Daten"));
            clickEntry(w, index);
            QCOMPARE(w.rg_version->itemIndex(), index);
            QCOMPARE(w.ed_datenbank->text(), folders.at(index));
        }
        // Clicking the entry already chosen keeps what the user typed.
        w.ed_datenbank->setText(QStringLiteral("D:\\Eigene Daten"));
        clickEntry(w, 2);
        QCOMPARE(w.ed_datenbank->text(), QStringLiteral("D:\\Eigene Daten"));
        // Choosing with the arrow keys is a choice too.
        w.rg_version->button(2)->setFocus();
        QTest::keyClick(w.rg_version->button(2), Qt::Key_Down);
        QCOMPARE(w.rg_version->itemIndex(), 3);
        QCOMPARE(w.ed_datenbank->text(), QStringLiteral("C:\\VelmarFaktura"));

        QCOMPARE(w.ed_vondatum->dateText(), from);
        QCOMPARE(w.ed_passwort->text(), QStringLiteral("geheim"));
        QCOMPARE(w.ed_servername->text(), QStringLiteral("KASSE\\SQL"));
    }

    // The index the settings store restores through the ItemIndex property
    // is kept within the list and selects like a click.
    void itemIndexPropertyIsLimitedToTheItems()
    {
        Tfrm_dep w;
        QSignalSpy clicks(w.rg_version, &TRadioGroup::itemIndexChanged);
        QVERIFY(w.rg_version->setProperty("ItemIndex", 3));
        QCOMPARE(w.ed_datenbank->text(), QStringLiteral("C:\\VelmarFaktura"));
        QVERIFY(w.rg_version->button(3)->isChecked());
        w.rg_version->setProperty("ItemIndex", 9);
        QCOMPARE(w.rg_version->property("ItemIndex").toInt(), 5);
        QCOMPARE(w.ed_datenbank->text(), QStringLiteral("C:\\TidyGastro"));
        QCOMPARE(clicks.count(), 2);
        w.rg_version->setProperty("ItemIndex", 5);
        QCOMPARE(clicks.count(), 2);
        w.rg_version->setProperty("ItemIndex", -7);
        QCOMPARE(w.rg_version->itemIndex(), -1);
        for (int i = 0; i < w.rg_version->count(); ++i)
            QVERIFY(!w.rg_version->button(i)->isChecked());
        QCOMPARE(clicks.count(), 2);
        QCOMPARE(w.ed_datenbank->text(), QStringLiteral("C:\\TidyGastro"));
        // From none the same entry can be chosen again.
        w.rg_version->setItemIndex(5);
        QCOMPARE(clicks.count(), 3);
    }

    // The settings component restores the variant from an event filter on
    // the Show event; the window's own show handler runs after it.
    void showHandlerRunsAfterTheRestoredSettings()
    {
        Tfrm_dep w;
        ShowFilter restore(&w);
        w.ed_passwort->clear();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(restore.sawEmptyPeriod);
        QCOMPARE(w.rg_version->itemIndex(), 3);
        QCOMPARE(w.ed_datenbank->text(), QStringLiteral("C:\\VelmarFaktura"));
        const QDate today = QDate::currentDate();
        QCOMPARE(w.ed_vondatum->date(), today.addDays(-365));
        QCOMPARE(w.ed_bisdatum->date(), today);
        QCOMPARE(w.ed_bisdatum->dateText(), today.toString(QStringLiteral("dd.MM.yyyy")));
        QCOMPARE(w.ed_passwort->text(), QStringLiteral("quillet"));

        // A password of the user's own stays on the next show.
        w.hide();
        w.ed_passwort->setText(QStringLiteral("geheim"));
        w.ed_vondatum->clear();
        w.show();
        QCOMPARE(w.ed_passwort->text(), QStringLiteral("geheim"));
        QCOMPARE(w.ed_vondatum->date(), today.addDays(-365));
    }

    // 365 whole days, not a calendar year.
    void defaultPeriod()
    {
        const auto leap = PeriodBinding::defaultPeriod(QDate(2020, 3, 1));
        QCOMPARE(leap.from, QDate(2019, 3, 2));
        QCOMPARE(leap.to, QDate(2020, 3, 1));
        QCOMPARE(PeriodBinding::defaultPeriod(QDate(2019, 3, 20)).from, QDate(2018, 3, 20));
    }

    void applicationTitle()
    {
        QCOMPARE(applicationTitleFor(QStringLiteral("DepExport")), QStringLiteral("Depexport"));
        QCOMPARE(applicationTitleFor(QStringLiteral("/opt/depexport/bin/DepExport")), QStringLiteral("Depexport"));
        QCOMPARE(applicationTitleFor(QStringLiteral("DEPEXPORT.EXE")), QStringLiteral("Depexport"));
        QCOMPARE(applicationTitleFor(QStringLiteral("dep.export.exe")), QStringLiteral("dep"));
        QCOMPARE(::applicationTitle(), applicationTitleFor(QCoreApplication::applicationFilePath()));
    }

    // A "." is appended when the last character sorts after ".".
    void errorBoxText()
    {
        QCOMPARE(::errorBoxText(QStringLiteral("'32.13.2019' is not a valid date")),
                 QStringLiteral("'32.13.2019' is not a valid date."));
        QCOMPARE(::errorBoxText(QStringLiteral("Datei fehlt.")), QStringLiteral("Datei fehlt."));
        QCOMPARE(::errorBoxText(QStringLiteral("keine Daten!")), QStringLiteral("keine Daten!"));
        QCOMPARE(::errorBoxText(QStringLiteral("into type (String)")), QStringLiteral("into type (String)"));
        QCOMPARE(::errorBoxText(QStringLiteral("Fehler 42")), QStringLiteral("Fehler 42."));
        QCOMPARE(::errorBoxText(QString()), QString());
    }

private:
    // A click on the entry's round button.
    static void clickEntry(Tfrm_dep &w, int index)
    {
        QRadioButton *button = w.rg_version->button(index);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
    }

    struct ShowFilter : QObject
    {
        explicit ShowFilter(Tfrm_dep *window) : window(window) { window->installEventFilter(this); }
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Show && !restored) {
                restored = true;
                sawEmptyPeriod = !window->ed_vondatum->date().isValid();
                window->rg_version->setProperty("ItemIndex", 3);
            }
            return false;
        }
        Tfrm_dep *window;
        bool restored = false;
        bool sawEmptyPeriod = false;
    };
    IsolatedSettings m_settings;
};

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
