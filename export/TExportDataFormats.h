#pragma once

#include "FormatSettings.h"

#include <QChar>
#include <QString>

// The order of day, month and year in the date formats an export builds.
enum TDateOrder { doMDY, doDMY, doYMD, doYDM, doDYM, doMYD };

// The number and date formats of an export. During a run the separators and
// the currency text replace the process-wide ones; the other settings shape
// texts only with the option soFieldMask.
class TExportDataFormats
{
public:
    // Starts from the process settings.
    TExportDataFormats();

    TDateOrder dateOrder = doMDY;
    QChar dateSeparator;
    QChar timeSeparator;
    bool fourDigitYear = false;
    bool leadingZerosInDate = false;
    QChar thousandSeparator;
    QChar decimalSeparator;
    QString currencyString;
    // Replaces the built date format when not empty.
    QString customDateTimeFormat;
    QString booleanTrue = QStringLiteral("True");
    QString booleanFalse = QStringLiteral("False");
    // Reload all of the above from the process settings at each run.
    bool useRegionalSettings = false;

    // Copies the separators and the currency text from `settings` and derives
    // the date order, the year digits and the leading zeros from its short
    // date format; empties the custom format.
    void loadRegional(const FormatSettings &settings);

    // The date format built from the settings (DD.MM.YYYY for day, month and
    // four-digit year with "." and leading zeros), in the picture letters of
    // TextFormat::formatDateTime.
    QString dateFormat() const;
    // Hours, minutes and seconds on the 24-hour clock, joined by the time
    // separator.
    QString timeFormat() const;

    // `settings` with the five values an export run installs: decimal, date,
    // time and thousands separators and the currency text.
    FormatSettings installedInto(FormatSettings settings) const;

    void assign(const TExportDataFormats &source) { *this = source; }
};
