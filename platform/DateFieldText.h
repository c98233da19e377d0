#pragma once

#include "FormatSettings.h"

#include <QDate>
#include <QString>

// How a date field writes a date: the order of day, month and year of the
// short date format in force, two digits each and two or four for the year,
// joined by the date separator ("DD/MM/YYYY" with "." gives 03.01.2019).
// The window's date fields and batch mode, which has no field, write the
// period's dates alike, so the names of the files made from them agree.
//
//     const QString from = DateFieldText::text(date, FormatSettings::current());
namespace DateFieldText {

enum class DateOrder { MonthDayYear, DayMonthYear, YearMonthDay };

// The order of day, month and year in a short date format.
DateOrder orderOf(const QString &shortDateFormat);
// The field's picture for an order: "MM/DD/YYYY", "DD/MM/YY", "YYYY/MM/DD" ...
QString formatFor(DateOrder order, bool fourDigits);
// The picture of a field that takes its year digits from the settings.
QString defaultFormat(const FormatSettings &settings);
// The date as a field with the default picture of `settings` shows it.
QString text(QDate date, const FormatSettings &settings);

} // namespace DateFieldText
