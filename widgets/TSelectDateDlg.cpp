#include "TSelectDateDlg.h"

#include <QCalendarWidget>
#include <QDialogButtonBox>
#include <QTextCharFormat>
#include <QVBoxLayout>

TSelectDateDlg::TSelectDateDlg(QWidget *parent) : QDialog(parent), m_calendar(new QCalendarWidget(this))
{
    m_calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_calendar, &QCalendarWidget::activated, this, &QDialog::accept);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_calendar);
    layout->addWidget(buttons);
}

QDate TSelectDateDlg::date() const
{
    return m_calendar->selectedDate();
}

void TSelectDateDlg::setDate(QDate date)
{
    m_calendar->setSelectedDate(date);
}

void TSelectDateDlg::setWeek(const TCalendarWeek &week)
{
    m_calendar->setFirstDayOfWeek(week.startOfWeek);
    QTextCharFormat plain;
    QTextCharFormat weekend;
    weekend.setForeground(week.weekendColor);
    for (int day = Qt::Monday; day <= Qt::Sunday; ++day)
        m_calendar->setWeekdayTextFormat(Qt::DayOfWeek(day), week.weekends.contains(Qt::DayOfWeek(day)) ? weekend : plain);
}
