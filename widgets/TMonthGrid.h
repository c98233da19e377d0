#pragma once

#include "TCalendarWeek.h"

#include <QDate>
#include <QWidget>

class QKeyEvent;

// The month of the calendar date as a grid of weeks: a header row of day
// names, then one row per week with the first column StartOfWeek. Only the
// days of the month are shown, centred in their cells; weekend days are
// drawn in WeekendColor, today's cell with a raised frame and the calendar
// date as the selected cell.
//
// A month step keeps the day number, reduced to the length of the new
// month; a year step turns 29 February into 28 February.
class TMonthGrid : public QWidget
{
    Q_OBJECT

public:
    explicit TMonthGrid(QWidget *parent = nullptr);

    QDate date() const { return m_date; }
    void setDate(QDate date);

    const TCalendarWeek &week() const { return m_week; }
    void setWeek(const TCalendarWeek &week);

    void prevMonth() { setDate(m_date.addMonths(-1)); }
    void nextMonth() { setDate(m_date.addMonths(1)); }
    void prevYear() { setDate(m_date.addYears(-1)); }
    void nextYear() { setDate(m_date.addYears(1)); }
    void goToToday() { setDate(QDate::currentDate()); }

    // The calendar's keys: Page Up/Down a month (with Ctrl a year),
    // Left/keypad minus and Right/keypad plus a day, Up/Down a week, "T"
    // today. Returns whether the key was one of them.
    bool handleKey(const QKeyEvent *event);

    // The date in the cell at a point of the widget, if it holds a day.
    QDate dateAt(const QPoint &point) const;
    QRect cellRect(QDate date) const;

signals:
    void dateChanged(QDate date);
    // A day cell was clicked with the left button and no modifier key.
    void dayClicked(QDate date);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // Column of the month's first day in the first week row.
    int firstColumn() const;
    QRect cell(int row, int column) const;
    QString dayName(int column) const;

    QDate m_date;
    TCalendarWeek m_week;
};
