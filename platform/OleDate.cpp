#include "OleDate.h"

#include <cmath>

namespace {

const QDate epoch(1899, 12, 30);
constexpr double msPerDay = 86400000.0;

// Splits a day number into whole days and milliseconds of the day, with the
// OLE rule that the fraction of a negative number counts forwards.
void split(double value, qint64 &days, qint64 &ms)
{
    double whole = std::trunc(value);
    double fraction = std::fabs(value - whole);
    days = static_cast<qint64>(whole);
    ms = std::llround(fraction * msPerDay);
    if (ms >= static_cast<qint64>(msPerDay)) {
        ms -= static_cast<qint64>(msPerDay);
        days += value < 0 ? -1 : 1;
    }
}

} // namespace

namespace OleDate {

double fromDate(QDate date)
{
    return static_cast<double>(epoch.daysTo(date));
}

double fromDateTime(const QDateTime &dateTime)
{
    double days = fromDate(dateTime.date());
    double fraction = dateTime.time().msecsSinceStartOfDay() / msPerDay;
    return days >= 0 ? days + fraction : days - fraction;
}

QDate toDate(double value)
{
    qint64 days, ms;
    split(value, days, ms);
    return epoch.addDays(days);
}

QDateTime toDateTime(double value)
{
    qint64 days, ms;
    split(value, days, ms);
    return QDateTime(epoch.addDays(days), QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms)));
}

int timeOfDayMs(double value)
{
    qint64 days, ms;
    split(value, days, ms);
    return static_cast<int>(ms);
}

} // namespace OleDate
