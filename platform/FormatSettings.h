#pragma once

#include <QChar>
#include <QLocale>
#include <QString>

// The process-wide number and date formats that every text conversion of the
// program uses: field texts, date parsing of the period fields, the export
// engine's cells. The export engine replaces the separators and the currency
// text for the length of a run and puts them back afterwards.
//
// Date and time formats use the classic Windows picture letters: d, dd, m, mm,
// yy, yyyy for dates, h, hh, n, nn, s, ss for times; "/" stands for the date
// separator and ":" for the time separator, text in quotes is literal.
// "ampm" stands for the designator timeAMString or timePMString and puts the
// hours of the whole picture on the 12-hour clock.
struct FormatSettings
{
    QChar decimalSeparator = u'.';
    QChar thousandSeparator = u',';
    QChar dateSeparator = u'/';
    QChar timeSeparator = u':';
    QString currencyString = QStringLiteral("$");
    QString shortDateFormat = QStringLiteral("M/d/yyyy");
    QString longTimeFormat = QStringLiteral("h:nn:ss");
    QString timeAMString = QStringLiteral("AM");
    QString timePMString = QStringLiteral("PM");

    // Formats of a locale as the system would report them. A two-digit year
    // of the locale's short date format becomes four digits, as on Windows;
    // month names become month numbers. The C locale gives Austria's formats.
    static FormatSettings fromLocale(const QLocale &locale);

    // The settings in force in this process. Loaded from the system locale
    // (LC_TIME and LC_NUMERIC through QLocale::system()) on first use.
    static FormatSettings &current();
    static void setCurrent(const FormatSettings &settings);
};

// Text forms of values, as the field texts of datasets need them.
namespace TextFormat {

// Shortest general form with up to `digits` significant digits, the decimal
// separator of `settings`, no thousands separator, exponent form ("1E20",
// "1E-5") outside the plain range.
QString floatToText(double value, const FormatSettings &settings, int digits = 15);
// Appends floatToText()'s text to `out`.
void appendFloat(QString &out, double value, const FormatSettings &settings, int digits = 15);
// Like floatToText, but with at most `decimals` digits after the separator.
QString decimalToText(double value, const FormatSettings &settings, int decimals);
// Appends `value` in decimal, with leading zeros up to `width` digits.
void appendNumber(QString &out, qint64 value, int width = 0);
// Formats an OLE day number by a date-time picture.
QString formatDateTime(const QString &picture, double day, const FormatSettings &settings);
QString dateToText(double day, const FormatSettings &settings);
QString timeToText(double day, const FormatSettings &settings);
// Short date, a blank and long time; the time is left out at exactly midnight.
QString dateTimeToText(double day, const FormatSettings &settings);
// Append the texts of dateToText(), timeToText() and dateTimeToText() to
// `out`: an export formats every cell into one reused buffer.
void appendDate(QString &out, double day, const FormatSettings &settings);
void appendTime(QString &out, double day, const FormatSettings &settings);
void appendDateAndTime(QString &out, double day, const FormatSettings &settings);

// Reads a date typed in the order of the short date format, its parts
// separated by the date separator. Throws Error "'%s' is not a valid date".
double textToDate(const QString &text, const FormatSettings &settings);

} // namespace TextFormat
