#pragma once

#include <QColor>
#include <QDate>
#include <QDialog>
#include <QList>

class QCalendarWidget;

// The modal date dialog of a date field with the dialog calendar style: a
// month calendar with OK and Cancel.
class TSelectDateDlg : public QDialog
{
    Q_OBJECT

public:
    explicit TSelectDateDlg(QWidget *parent = nullptr);

    QDate date() const;
    void setDate(QDate date);
    void setStartOfWeek(Qt::DayOfWeek day);
    void setWeekends(const QList<Qt::DayOfWeek> &days, const QColor &color);

private:
    QCalendarWidget *m_calendar;
};
