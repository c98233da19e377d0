#pragma once

#include <QDate>
#include <QString>

namespace db {
class TADOQuery;
}

// The reporting period: two calendar dates, bound to a query as the
// half-open interval from the start of the first day to the start of the
// day after the last day.
namespace PeriodBinding {

struct Period
{
    QDate from;
    QDate to;
};

// The period the window starts with: 365 whole days back from today (not
// one calendar year), through today.
Period defaultPeriod(QDate today);

// Closes the query, reads the two date texts by the short date format in
// force and sets "pvondatum" to the first day as a date, "pbisdatum" and
// "pbisdatum2" to the day after the last day as a number of days. A text
// that is no date throws "'%s' is not a valid date"; the parameters set up
// to then keep their new values.
void bind(db::TADOQuery &query, const QString &fromText, const QString &toText);

} // namespace PeriodBinding
