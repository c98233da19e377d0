#include "FormatSettings.h"
#include "MessageBox.h"
#include "OleDate.h"
#include "MessageRecorder.h"
#include "TDateEdit.h"
#include "TMonthGrid.h"
#include "TPopupCalendar.h"

#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

FormatSettings settingsOf(const QString &shortDateFormat, QChar separator)
{
    FormatSettings settings;
    settings.shortDateFormat = shortDateFormat;
    settings.dateSeparator = separator;
    return settings;
}

} // namespace

class DateEditTest : public QObject
{
    Q_OBJECT

private:
    QWidget *m_window = nullptr;
    TDateEdit *m_edit = nullptr;

    void useFormat(const FormatSettings &settings)
    {
        FormatSettings::setCurrent(settings);
        m_edit->updateFormat();
    }
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(m_edit, key, modifiers);
    }

private slots:
    void init()
    {
        FormatSettings::setCurrent(FormatSettings::fromLocale(QLocale(QLocale::German, QLocale::Germany)));
        m_window = new QWidget;
        m_window->setLocale(QLocale(QLocale::German, QLocale::Germany));
        m_edit = new TDateEdit(m_window);
        m_edit->setGeometry(167, 19, 89, 21);
        m_window->resize(400, 300);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
        // without a window manager (xvfb) the window may never become active
        QApplication::setActiveWindow(m_window);
        [[maybe_unused]] const bool active = QTest::qWaitForWindowActive(m_window, 500);
        m_edit->setFocus();
    }

    void cleanup()
    {
        delete m_window;
        m_window = nullptr;
    }

    void formatFollowsTheSystemShortDate_data()
    {
        QTest::addColumn<QString>("shortDate");
        QTest::addColumn<QChar>("separator");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QString>("shown");
        QTest::newRow("German") << "dd/mm/yyyy" << QChar(u'.') << "DD/MM/YYYY" << "!99/99/9999;1; " << "07.12.2026";
        QTest::newRow("US") << "m/d/yyyy" << QChar(u'/') << "MM/DD/YYYY" << "!99/99/9999;1; " << "12/07/2026";
        QTest::newRow("ISO") << "yyyy/mm/dd" << QChar(u'-') << "YYYY/MM/DD" << "!9999/99/99;1; " << "2026-12-07";
        QTest::newRow("two-digit DMY") << "dd/mm/yy" << QChar(u'.') << "DD/MM/YY" << "!99/99/99;1; " << "07.12.26";
        QTest::newRow("two-digit MDY") << "M/d/yy" << QChar(u'/') << "MM/DD/YY" << "!99/99/99;1; " << "12/07/26";
        QTest::newRow("two-digit YMD") << "yy/MM/dd" << QChar(u'-') << "YY/MM/DD" << "!99/99/99;1; " << "26-12-07";
    }

    void formatFollowsTheSystemShortDate()
    {
        QFETCH(QString, shortDate);
        QFETCH(QChar, separator);
        QFETCH(QString, format);
        QFETCH(QString, mask);
        QFETCH(QString, shown);
        useFormat(settingsOf(shortDate, separator));
        QCOMPARE(m_edit->dateFormat(), format);
        QCOMPARE(m_edit->editMask(), mask);
        m_edit->setDate(QDate(2026, 12, 7));
        QCOMPARE(m_edit->dateText(), shown);
        QCOMPARE(m_edit->date(), QDate(2026, 12, 7));
    }

    void germanLocaleGivesDotsAndFourDigits()
    {
        QCOMPARE(m_edit->dateFormat(), QStringLiteral("DD/MM/YYYY"));
        m_edit->setDate(QDate(2026, 3, 1));
        QCOMPARE(m_edit->dateText(), QStringLiteral("01.03.2026"));
        m_edit->setYearDigits(TDateEdit::dyTwo);
        QCOMPARE(m_edit->dateText(), QStringLiteral("01.03.26"));
        useFormat(settingsOf(QStringLiteral("dd/mm/yy"), u'.'));
        m_edit->setYearDigits(TDateEdit::dyFour);
        QCOMPARE(m_edit->dateText(), QStringLiteral("01.03.2026"));
    }

    void localeChangeShowsTheDateAnew()
    {
        m_edit->setDate(QDate(2020, 2, 29));
        FormatSettings::setCurrent(FormatSettings::fromLocale(QLocale(QLocale::English, QLocale::UnitedStates)));
        QEvent change(QEvent::LocaleChange);
        QApplication::sendEvent(m_edit, &change);
        QCOMPARE(m_edit->dateText(), QStringLiteral("02/29/2020"));
        QCOMPARE(m_edit->date(), QDate(2020, 2, 29));
    }

    void emptyAndInvalidTexts()
    {
        m_edit->setDate(QDate(2026, 1, 5));
        m_edit->setDate(QDate());
        QCOMPARE(m_edit->displayText(), QStringLiteral("  .  .    "));
        QCOMPARE(m_edit->dateText(), QString());
        QVERIFY(!m_edit->date().isValid());
        m_edit->setText(QStringLiteral("31.02.2026"));
        QVERIFY(!m_edit->date().isValid());
        QVERIFY(m_edit->dateText().contains(u'.')); // the literals stay in the text
        m_edit->setDefaultToday(true);
        QCOMPARE(m_edit->date(), QDate::currentDate());
    }

    // A date typed only in part: the text keeps the unfilled positions as
    // the field shows them, and so does the message of the exit check.
    void incompleteDateKeepsItsBlanks()
    {
        MessageRecorder recorder;
        auto *other = new QLineEdit(m_window);
        other->show();
        m_edit->setDate(QDate());
        m_edit->setCheckOnExit(true);
        m_edit->setFocus();
        m_edit->setCursorPosition(0);
        QTest::keyClicks(m_edit, QStringLiteral("12"));
        QCOMPARE(m_edit->dateText(), QStringLiteral("12.  .    "));
        QVERIFY(!m_edit->date().isValid());
        other->setFocus();
        QCOMPARE(recorder.texts(), QStringList{QStringLiteral("'12.  .    ' is not a valid date.")});

        m_edit->setBlanksChar(u'_');
        m_edit->setText(QStringLiteral("0103"));
        QCOMPARE(m_edit->dateText(), QStringLiteral("01.03.____"));
    }

    void modifiedFlagTellsWhetherTheDateChanged()
    {
        m_edit->setDate(QDate(2026, 1, 5));
        QVERIFY(m_edit->isModified());
        m_edit->setDate(QDate(2026, 1, 5));
        QVERIFY(!m_edit->isModified());
    }

    void keypadStepsAndTypedSigns()
    {
        press(Qt::Key_Plus, Qt::KeypadModifier);
        QCOMPARE(m_edit->date(), QDate::currentDate().addDays(1));
        QCOMPARE(m_edit->selectedText(), m_edit->dateText());
        m_edit->setDate(QDate(2026, 3, 1));
        press(Qt::Key_Minus, Qt::KeypadModifier);
        QCOMPARE(m_edit->date(), QDate(2026, 2, 28));
        const QString before = m_edit->dateText();
        press(Qt::Key_Plus);                    // a typed "+" is dropped
        press(Qt::Key_Minus);
        press(Qt::Key_Plus, Qt::KeypadModifier | Qt::ControlModifier);
        QCOMPARE(m_edit->dateText(), before);
        press(Qt::Key_T);
        QCOMPARE(m_edit->date(), QDate::currentDate());
        m_edit->setDirectInput(false);
        m_edit->setDate(QDate(2026, 3, 1));
        press(Qt::Key_Plus, Qt::KeypadModifier);
        QCOMPARE(m_edit->date(), QDate(2026, 3, 1));
    }

    void emptyFieldOpensAtTodayAndPickWritesTheDay()
    {
        press(Qt::Key_Down, Qt::AltModifier);
        QVERIFY(m_edit->isPopupVisible());
        QVERIFY(m_edit->isReadOnly());
        TMonthGrid *grid = m_edit->popup()->grid();
        QCOMPARE(grid->date(), QDate::currentDate());
        const QDate today = QDate::currentDate();
        const QDate pick(today.year(), today.month(), today.day() == 10 ? 11 : 10);
        QTest::mouseClick(grid, Qt::LeftButton, Qt::NoModifier, grid->cellRect(pick).center());
        QVERIFY(!m_edit->isPopupVisible());
        QVERIFY(!m_edit->isReadOnly());
        QCOMPARE(m_edit->dateText(), TextFormat::formatDateTime(QStringLiteral("dd/mm/yyyy"), OleDate::fromDate(pick),
                                                            FormatSettings::current()));
    }

    void escapeLeavesTheTextEnterTakesTheDate()
    {
        m_edit->setDate(QDate(2026, 1, 31));
        m_edit->button()->click();
        QVERIFY(m_edit->isPopupVisible());
        press(Qt::Key_PageDown);
        QCOMPARE(m_edit->popup()->grid()->date(), QDate(2026, 2, 28));
        press(Qt::Key_Escape);
        QVERIFY(!m_edit->isPopupVisible());
        QCOMPARE(m_edit->dateText(), QStringLiteral("31.01.2026"));

        m_edit->setDate(QDate(2024, 1, 31));
        m_edit->button()->click();
        press(Qt::Key_PageDown);
        QCOMPARE(m_edit->popup()->grid()->date(), QDate(2024, 2, 29));
        press(Qt::Key_Return);
        QVERIFY(!m_edit->isPopupVisible());
        QCOMPARE(m_edit->dateText(), QStringLiteral("29.02.2024"));
    }

    void calendarKeys()
    {
        m_edit->setDate(QDate(2024, 2, 29));
        press(Qt::Key_Down, Qt::AltModifier);
        TMonthGrid *grid = m_edit->popup()->grid();
        press(Qt::Key_PageUp, Qt::ControlModifier);
        QCOMPARE(grid->date(), QDate(2023, 2, 28));
        press(Qt::Key_PageDown, Qt::ControlModifier);
        QCOMPARE(grid->date(), QDate(2024, 2, 28));
        press(Qt::Key_Right);
        press(Qt::Key_Right);
        QCOMPARE(grid->date(), QDate(2024, 3, 1)); // crosses into the next month
        press(Qt::Key_Minus, Qt::KeypadModifier);
        QCOMPARE(grid->date(), QDate(2024, 2, 29));
        press(Qt::Key_Up);
        QCOMPARE(grid->date(), QDate(2024, 2, 22));
        press(Qt::Key_Down);
        press(Qt::Key_Down);
        QCOMPARE(grid->date(), QDate(2024, 3, 7));
        press(Qt::Key_PageUp);
        QCOMPARE(grid->date(), QDate(2024, 2, 7));
        QCOMPARE(m_edit->popup()->title(), QStringLiteral("Februar, 2024"));
        press(Qt::Key_T);
        QCOMPARE(grid->date(), QDate::currentDate());
        press(Qt::Key_Down, Qt::AltModifier); // the click key closes accepting
        QVERIFY(!m_edit->isPopupVisible());
        QCOMPARE(m_edit->date(), QDate::currentDate());
    }

    void stepButtonsAndHints()
    {
        m_edit->setDate(QDate(2026, 3, 31));
        m_edit->button()->click();
        TPopupCalendar *popup = m_edit->popup();
        QCOMPARE(popup->stepButton(0)->toolTip(), QStringLiteral("Vorhergehendes Jahr"));
        QCOMPARE(popup->stepButton(1)->toolTip(), QStringLiteral("Vorhergehender Monat"));
        QCOMPARE(popup->stepButton(2)->toolTip(), QStringLiteral("Nächster Monat"));
        QCOMPARE(popup->stepButton(3)->toolTip(), QStringLiteral("Nächstes Jahr"));
        QVERIFY(popup->stepButton(0)->autoRepeat());
        popup->stepButton(1)->click();
        QCOMPARE(popup->date(), QDate(2026, 2, 28));
        popup->stepButton(3)->click();
        QCOMPARE(popup->date(), QDate(2027, 2, 28));
        m_edit->setCalendarHints({QStringLiteral("a|long"), QStringLiteral("b"), QStringLiteral("c"),
                                  QStringLiteral("d"), QStringLiteral("e")});
        QCOMPARE(m_edit->calendarHints().size(), 4);
        QCOMPARE(popup->stepButton(0)->toolTip(), QStringLiteral("a"));
    }

    void popupLiesBelowTheFieldAlignedRight()
    {
        m_edit->button()->click();
        const QRect popup = m_edit->popup()->geometry();
        const QRect field(m_edit->mapToGlobal(QPoint(0, 0)), m_edit->size());
        QCOMPARE(popup.top(), field.bottom() + 1);
        QCOMPARE(popup.right(), field.right());
        QCOMPARE(popup.size(), m_edit->popup()->sizeHint());
    }

    void leavingTheFieldClosesWithoutAccepting()
    {
        auto *other = new QLineEdit(m_window);
        other->show();
        m_edit->setDate(QDate(2026, 5, 5));
        m_edit->button()->click();
        press(Qt::Key_Right);
        other->setFocus();
        QVERIFY(!m_edit->isPopupVisible());
        QCOMPARE(m_edit->dateText(), QStringLiteral("05.05.2026"));
    }

    void gridStartsMondayWeekendsRedTodayFramed()
    {
        m_edit->setDate(QDate(2026, 2, 1)); // a Sunday
        m_edit->button()->click();
        TMonthGrid *grid = m_edit->popup()->grid();
        const QRect first = grid->cellRect(QDate(2026, 2, 1));
        const QRect second = grid->cellRect(QDate(2026, 2, 2));
        QVERIFY(first.left() > second.left());  // Sunday is the last column
        QCOMPARE(second.left(), grid->cellRect(QDate(2026, 2, 9)).left());
        QCOMPARE(second.left(), 0);
        QCOMPARE(grid->dateAt(grid->cellRect(QDate(2026, 2, 18)).center()), QDate(2026, 2, 18));

        grid->setDate(QDate(2026, 2, 10));
        const QImage image = grid->grab().toImage();
        const auto hasRed = [&](const QRect &cell) {
            for (int y = cell.top(); y <= cell.bottom(); ++y)
                for (int x = cell.left(); x <= cell.right(); ++x) {
                    const QColor c = image.pixelColor(x, y);
                    if (c.red() > 200 && c.green() < 80 && c.blue() < 80)
                        return true;
                }
            return false;
        };
        QVERIFY(hasRed(grid->cellRect(QDate(2026, 2, 8))));   // Sunday
        QVERIFY(!hasRed(grid->cellRect(QDate(2026, 2, 7))));  // Saturday
        QVERIFY(!hasRed(grid->cellRect(QDate(2026, 2, 4))));
    }

    // With DEPEXPORT_SCREENSHOT_DIR set (e.g. under xvfb-run) the open
    // calendar is saved as calendar-popup.png there, for a look by eye.
    void screenshotOfTheOpenCalendar()
    {
        const QString dir = qEnvironmentVariable("DEPEXPORT_SCREENSHOT_DIR");
        if (dir.isEmpty())
            QSKIP("DEPEXPORT_SCREENSHOT_DIR is not set");
        QFont font(QStringLiteral("MS Sans Serif"));
        font.setPixelSize(11);
        m_edit->setFont(font);
        m_edit->setDate(QDate::currentDate());
        m_edit->button()->click();
        QVERIFY(QTest::qWaitForWindowExposed(m_edit->popup()));
        QDir().mkpath(dir);
        QVERIFY(m_edit->popup()->grab().save(dir + QStringLiteral("/calendar-popup.png")));
        QVERIFY(m_window->grab().save(dir + QStringLiteral("/date-field.png")));
    }

    void checkOnExitRefusesAnInvalidDate()
    {
        MessageRecorder recorder;
        auto *other = new QLineEdit(m_window);
        other->show();
        m_edit->setText(QStringLiteral("31.02.2026"));
        other->setFocus();
        QVERIFY(recorder.boxes().isEmpty()); // off by default: the text just stays
        QCOMPARE(m_edit->dateText(), QStringLiteral("31.02.2026"));

        m_edit->setCheckOnExit(true);
        m_edit->setFocus();
        other->setFocus();
        QCOMPARE(recorder.texts(), QStringList{QStringLiteral("'31.02.2026' is not a valid date.")});
        QTRY_VERIFY(m_edit->hasFocus());
        m_edit->setDate(QDate(2026, 2, 28));
        other->setFocus();
        QCOMPARE(recorder.boxes().size(), 1);
        m_edit->setText(QStringLiteral("31.02.2026"));
        delete m_window; // a window going away reports nothing
        m_window = nullptr;
        QCOMPARE(recorder.boxes().size(), 1);
    }

    void acceptHandlerMayRefuse()
    {
        m_edit->setDate(QDate(2026, 5, 5));
        connect(m_edit, &TDateEdit::OnAcceptDate, this, [](QDate &date, bool &accept) {
            accept = date.dayOfWeek() != Qt::Sunday;
        });
        m_edit->button()->click();
        m_edit->popup()->grid()->setDate(QDate(2026, 5, 10)); // Sunday
        press(Qt::Key_Return);
        QCOMPARE(m_edit->date(), QDate(2026, 5, 5));
        m_edit->button()->click();
        m_edit->popup()->grid()->setDate(QDate(2026, 5, 11));
        press(Qt::Key_Return);
        QCOMPARE(m_edit->date(), QDate(2026, 5, 11));
    }
};

QTEST_MAIN(DateEditTest)
#include "tst_dateedit.moc"
