#pragma once

#include <QDate>
#include <QDateTime>

// Date-time values are OLE Automation day numbers: days since 30 December
// 1899, the fraction being the time of day. Negative numbers count days
// backwards while the fraction still counts forwards (-1.25 is 29 December
// 1899, 06:00), as the Windows date type does.
namespace OleDate {

double fromDate(QDate date);
double fromDateTime(const QDateTime &dateTime);
QDate toDate(double day);
QDateTime toDateTime(double day);
// Milliseconds since midnight of the value's day, rounded to the millisecond.
int timeOfDayMs(double day);

} // namespace OleDate
