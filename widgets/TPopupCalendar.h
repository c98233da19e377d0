#pragma once

#include <QDate>
#include <QFrame>
#include <QStringList>

class QLabel;
class QToolButton;
class TMonthGrid;

// The calendar that drops down below a date field: a tool window with a
// thin border that never takes the focus, so the keys stay with the field,
// which passes them on. A strip at the top holds the four auto-repeating
// step buttons (previous year, previous month, next month, next year) and
// the title "MMMM, YYYY" between them; a double click on the title goes to
// today. Below it the month grid.
class TPopupCalendar : public QFrame
{
    Q_OBJECT

public:
    explicit TPopupCalendar(QWidget *field);

    TMonthGrid *grid() const { return m_grid; }
    QDate date() const;
    void setDate(QDate date);

    // The title: the full month name of the locale, a comma and the year.
    QString title() const;
    QToolButton *stepButton(int index) const { return m_steps[index]; }

    // The hints of the four step buttons; a text may carry a long form
    // after a "|", which a status line would show. Up to four texts
    // replace the default hints in order.
    static QStringList defaultHints();
    void setHints(const QStringList &hints);

    // 180 by 120 at 96 dots per inch, scaled with the screen resolution.
    QSize sizeHint() const override;

signals:
    // A day was picked with the mouse: close accepting it.
    void dayPicked(QDate date);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void updateTitle();

    TMonthGrid *m_grid;
    QLabel *m_title;
    QToolButton *m_steps[4];
};
