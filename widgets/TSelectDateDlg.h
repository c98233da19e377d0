#pragma once

#include "TCalendarWeek.h"

#include <QDate>
#include <QDialog>

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
    void setWeek(const TCalendarWeek &week);

private:
    QCalendarWidget *m_calendar;
};
