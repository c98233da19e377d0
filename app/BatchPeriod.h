#pragma once

#include "PeriodBinding.h"

#include <QDate>
#include <QString>

// The named periods of batch mode's --period: a year ("2018"), a month
// ("2018-11"), a quarter ("2018-Q4") or one of "last-month", "last-quarter"
// and "last-year", the whole calendar unit before the one that holds today.
// A name stands for its first and last day, as --from and --to would give
// them, and for a short text that names the period in folder names
// ("2018-Q4"; the relative names give the text of the period they stand for).
//
//     const BatchPeriod::Named named = BatchPeriod::parse(QStringLiteral("last-quarter"), QDate::currentDate());
//     // on 5 January 2027: 01.10.2026 to 31.12.2026, named "2026-Q4"
namespace BatchPeriod {

struct Named
{
    PeriodBinding::Period period;
    QString name;
};

// The period `text` names, relative to `today` (the local calendar date)
// for the relative names. Throws Error with a German message when the text
// names no period.
Named parse(const QString &text, QDate today);

// The text that stands for `period` in a folder name: the first and the
// last day as JJJJ-MM-TT, joined by "_" ("2019-01-01_2019-12-31").
QString nameOf(const PeriodBinding::Period &period);

} // namespace BatchPeriod
