#pragma once

#include "FormatSettings.h"
#include "TCalendarWeek.h"
#include "TCustomComboEdit.h"

#include <QColor>
#include <QDate>
#include <QList>
#include <QPointer>
#include <QStringList>

class TPopupCalendar;

// The date field of the reporting period: a masked edit with a button that
// drops down a month calendar.
//
// The field's format follows the system's short date format: its order of
// day, month and year and its date separator, with a four-digit year when
// YearDigits asks for one or, by default, when the system format has one.
// So a German system shows 07.12.2026 under the mask "!99/99/9999;1; ",
// where "/" stands for the separator and the literals stay in the text.
// The format is rebuilt, and the date shown anew, when the locale changes.
//
// Keys: Alt+Down acts like the button; keypad plus and minus step the date
// by a day (from today when the field is empty) and select the text; typed
// "+" and "-" are dropped; "T" sets today. While the calendar is open the
// keys go to the calendar: Page Up/Down a month (Ctrl: a year), Left/Right
// a day, Up/Down a week, "T" today, Enter closes accepting, Esc closes
// discarding; leaving the field closes it discarding.
class TDateEdit : public TCustomComboEdit
{
    Q_OBJECT
    Q_PROPERTY(QDate Date READ date WRITE setDate)
    Q_PROPERTY(TCalendarStyle CalendarStyle READ calendarStyle WRITE setCalendarStyle)
    Q_PROPERTY(bool CheckOnExit READ checkOnExit WRITE setCheckOnExit)
    Q_PROPERTY(bool DefaultToday READ defaultToday WRITE setDefaultToday)
    Q_PROPERTY(QChar BlanksChar READ blanksChar WRITE setBlanksChar)
    Q_PROPERTY(TYearDigits YearDigits READ yearDigits WRITE setYearDigits)
    Q_PROPERTY(Qt::DayOfWeek StartOfWeek READ startOfWeek WRITE setStartOfWeek)
    Q_PROPERTY(QColor WeekendColor READ weekendColor WRITE setWeekendColor)
    Q_PROPERTY(QColor PopupColor READ popupColor WRITE setPopupColor)
    Q_PROPERTY(TPopupAlign PopupAlign READ popupAlign WRITE setPopupAlign)
    Q_PROPERTY(QString DialogTitle READ dialogTitle WRITE setDialogTitle)
    Q_PROPERTY(QStringList CalendarHints READ calendarHints WRITE setCalendarHints)

public:
    enum TCalendarStyle { csPopup, csDialog };
    Q_ENUM(TCalendarStyle)
    enum TYearDigits { dyDefault, dyFour, dyTwo };
    Q_ENUM(TYearDigits)
    enum TPopupAlign { epaRight, epaLeft };
    Q_ENUM(TPopupAlign)

    explicit TDateEdit(QWidget *parent = nullptr);
    ~TDateEdit() override;

    // The text read in the field's format; the empty date (today with
    // DefaultToday) when the text is empty or not a date.
    QDate date() const;
    // Shows the date in the field's format; an invalid date empties the
    // field (shows today with DefaultToday). The modified flag tells
    // whether the date differs from the one the text held before.
    void setDate(QDate date);

    // The text as shown, with the separators of the mask and the BlanksChar
    // in the positions not filled in ("12.  .    "); empty while no digit
    // has been entered, so an empty field gives an empty text. This, not
    // QLineEdit::text() (which drops the unfilled positions), is the text
    // the period is read from.
    QString dateText() const;

    // The field's format and edit mask as the table of formats gives them,
    // e.g. "DD/MM/YYYY" and "!99/99/9999;1; ", "/" standing for the date
    // separator.
    QString dateFormat() const { return m_dateFormat; }
    QString editMask() const;
    // Rebuilds format and mask from FormatSettings::current() and shows the
    // date again; done by itself when the locale changes.
    void updateFormat();

    TCalendarStyle calendarStyle() const { return m_calendarStyle; }
    void setCalendarStyle(TCalendarStyle style);
    bool checkOnExit() const { return m_checkOnExit; }
    void setCheckOnExit(bool check) { m_checkOnExit = check; }
    bool defaultToday() const { return m_defaultToday; }
    void setDefaultToday(bool today) { m_defaultToday = today; }
    QChar blanksChar() const { return m_blanksChar; }
    void setBlanksChar(QChar blank);
    TYearDigits yearDigits() const { return m_yearDigits; }
    void setYearDigits(TYearDigits digits);
    Qt::DayOfWeek startOfWeek() const { return m_week.startOfWeek; }
    void setStartOfWeek(Qt::DayOfWeek day);
    QList<Qt::DayOfWeek> weekends() const { return m_week.weekends; }
    void setWeekends(const QList<Qt::DayOfWeek> &days);
    QColor weekendColor() const { return m_week.weekendColor; }
    void setWeekendColor(const QColor &color);
    QColor popupColor() const;
    void setPopupColor(const QColor &color);
    TPopupAlign popupAlign() const { return m_popupAlign; }
    void setPopupAlign(TPopupAlign align) { m_popupAlign = align; }
    QString dialogTitle() const { return m_dialogTitle; }
    void setDialogTitle(const QString &title) { m_dialogTitle = title; }
    QStringList calendarHints() const { return m_calendarHints; }
    // Up to four texts; further lines are dropped.
    void setCalendarHints(const QStringList &hints);

    // The drop-down calendar; nullptr with the dialog style.
    TPopupCalendar *popup() const;
    bool isPopupVisible() const;
    void openPopup();
    void closePopup(bool accept);

    void buttonClick() override;

signals:
    // A date picked in the calendar; a handler may change it or refuse it.
    void OnAcceptDate(QDate &date, bool &accept);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void createPopup();
    void applyCalendarSettings();
    void placePopup();
    void stepDate(int days);
    void acceptPickedDate(QDate date);
    void openDialog();
    QDate parsedDate() const;
    QString dateText(QDate date) const;
    FormatSettings fieldSettings() const;
    void checkDateOnExit();

    QString m_dateFormat;
    QString m_qtMask;
    QChar m_separator = u'/';
    TCalendarStyle m_calendarStyle = csPopup;
    bool m_checkOnExit = false;
    bool m_defaultToday = false;
    QChar m_blanksChar = u' ';
    TYearDigits m_yearDigits = dyDefault;
    TCalendarWeek m_week;
    QColor m_popupColor;
    TPopupAlign m_popupAlign = epaRight;
    QString m_dialogTitle = QStringLiteral("Datum auswählen");
    QStringList m_calendarHints;
    QPointer<TPopupCalendar> m_popup;
    bool m_readOnlyBeforePopup = false;
    bool m_checkingOnExit = false;
    bool m_closingOnFocusOut = false;
};
