#include "FormatSettings.h"

#include "Error.h"
#include "OleDate.h"

#include <QDate>
#include <QVarLengthArray>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <charconv>
#include <cmath>
#include <optional>
#include <string_view>
#include <vector>

namespace {

// Turns a Qt date or time pattern into the Windows picture letters.
QString pictureFromQtPattern(const QString &pattern, QChar separator, QChar placeholder, bool isDate)
{
    QString picture;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c == u'\'') {
            const qsizetype end = pattern.indexOf(u'\'', i + 1);
            const qsizetype stop = end < 0 ? pattern.size() : end;
            picture += u'"' + pattern.mid(i + 1, stop - i - 1) + u'"';
            i = stop;
        } else if (c == separator) {
            picture += placeholder;
        } else if (isDate && c == u'M') {
            // month names have no picture letter here: numbers stand in
            picture += u'm';
            if (i + 1 < pattern.size() && pattern.at(i + 1) == u'M')
                picture += u'm';
            while (i + 1 < pattern.size() && pattern.at(i + 1) == u'M')
                ++i;
        } else if (!isDate && c == u'm') {
            picture += u'n';
        } else if (!isDate && (c == u'H' || c == u'h')) {
            picture += u'h';
        } else if (!isDate && (c == u'A' || c == u'a')) {
            // "AP", "ap", "A" or "a": the designator of the 12-hour clock
            picture += QStringLiteral("ampm");
            if (i + 1 < pattern.size() && pattern.at(i + 1).toUpper() == u'P')
                ++i;
        } else if (c == u'A' || c == u'a' || c == u't') {
            // time zones have no place in the register's texts
        } else {
            picture += c;
        }
    }
    return picture.trimmed();
}

QChar firstSeparator(const QString &pattern, const QString &letters)
{
    for (const QChar c : pattern) {
        if (!letters.contains(c) && c != u' ')
            return c;
    }
    return u'/';
}

// The designator as Qt's time pattern asks for it: "AP" and "A" in upper
// case, "ap" and "a" in lower case, "Ap" and "aP" as the locale writes it.
QString designator(const QString &text, const QString &timePattern)
{
    for (qsizetype i = 0; i < timePattern.size(); ++i) {
        const QChar c = timePattern.at(i);
        if (c == u'\'') {
            const qsizetype end = timePattern.indexOf(u'\'', i + 1);
            i = end < 0 ? timePattern.size() : end;
        } else if (c == u'a' || c == u'A') {
            const QChar next = i + 1 < timePattern.size() ? timePattern.at(i + 1) : QChar();
            if (next.toUpper() == u'P' && c.isUpper() != next.isUpper())
                return text;
            return c.isUpper() ? text.toUpper() : text.toLower();
        }
    }
    return text;
}

QString widenYear(QString picture)
{
    if (!picture.contains(QStringLiteral("yyyy")))
        picture.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    return picture;
}

} // namespace

FormatSettings FormatSettings::fromLocale(const QLocale &requested)
{
    // A process without a locale (C or POSIX) gets the formats of the
    // register's home market, Austria, rather than the C locale's, whose
    // date texts have month names.
    const QLocale locale = requested.language() == QLocale::C ? QLocale(QLocale::German, QLocale::Austria) : requested;
    FormatSettings s;
    s.decimalSeparator = locale.decimalPoint().isEmpty() ? u'.' : locale.decimalPoint().at(0);
    s.thousandSeparator = locale.groupSeparator().isEmpty() ? u',' : locale.groupSeparator().at(0);
    s.currencyString = locale.currencySymbol();
    const QString datePattern = locale.dateFormat(QLocale::ShortFormat);
    s.dateSeparator = firstSeparator(datePattern, QStringLiteral("dMy"));
    s.shortDateFormat = widenYear(pictureFromQtPattern(datePattern, s.dateSeparator, u'/', true));
    const QString timePattern = locale.timeFormat(QLocale::LongFormat);
    s.timeSeparator = firstSeparator(timePattern, QStringLiteral("hHmsapAPtz"));
    s.longTimeFormat = pictureFromQtPattern(timePattern, s.timeSeparator, u':', false);
    s.timeAMString = designator(locale.amText(), timePattern);
    s.timePMString = designator(locale.pmText(), timePattern);
    return s;
}

FormatSettings &FormatSettings::current()
{
    static FormatSettings settings = fromLocale(QLocale::system());
    return settings;
}

void FormatSettings::setCurrent(const FormatSettings &settings)
{
    current() = settings;
}

namespace TextFormat {

namespace {

// The common case of an export's numbers, amounts and quantities with at
// most four decimals, without the general conversion: when n / 10^k gives
// `value` back exactly, for a whole n of at most 15 digits, that decimal
// is the 15-digit rounding of `value` (two such decimals lie further apart
// than the spacing of doubles), so its digits are n's.
bool appendShortDecimal(QString &out, double value, const FormatSettings &settings)
{
    constexpr int maxDecimals = 4;
    constexpr double limit = 1e15;
    double scale = 1;
    for (int decimals = 0; decimals <= maxDecimals; ++decimals, scale *= 10) {
        const double scaled = value * scale;
        if (!(std::fabs(scaled) < limit))
            return false;
        const double whole = std::nearbyint(scaled);
        if (whole / scale != value)
            continue;
        auto n = qint64(whole);
        while (decimals > 0 && n % 10 == 0) {
            n /= 10;
            --decimals;
        }
        char digits[24];
        const auto written = std::to_chars(digits, digits + sizeof digits, n < 0 ? -n : n);
        const int count = int(written.ptr - digits);
        if (n < 0)
            out += u'-';
        for (int i = 0; i < count - decimals; ++i)
            out += QLatin1Char(digits[i]);
        if (count <= decimals)
            out += u'0';
        if (decimals > 0) {
            out += settings.decimalSeparator;
            for (int i = count; i < decimals; ++i)
                out += u'0';
            for (int i = std::max(0, count - decimals); i < count; ++i)
                out += QLatin1Char(digits[i]);
        }
        return true;
    }
    return false;
}

} // namespace

QString floatToText(double value, const FormatSettings &settings, int digits)
{
    QString text;
    appendFloat(text, value, settings, digits);
    return text;
}

void appendFloat(QString &out, double value, const FormatSettings &settings, int digits)
{
    if (std::isnan(value)) {
        out += QLatin1StringView("NAN");
        return;
    }
    if (std::isinf(value)) {
        out += value > 0 ? QLatin1StringView("INF") : QLatin1StringView("-INF");
        return;
    }
    if (digits == 15 && appendShortDecimal(out, value, settings))
        return;
    // Rounded to `digits` significant digits as [-]d.ddde[+-]xx. to_chars
    // never consults the C library's locale, whose decimal point may be a
    // comma (LC_NUMERIC of a German desktop).
    char buffer[64];
    const auto converted =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, digits - 1);
    const std::string_view scientific(buffer, std::size_t(converted.ptr - buffer));
    const bool negative = scientific.front() == '-';
    const std::size_t ePos = scientific.find('e');
    std::string_view exponentText = scientific.substr(ePos + 1);
    if (exponentText.front() == '+')
        exponentText.remove_prefix(1);
    int exponent = 0;
    std::from_chars(exponentText.data(), exponentText.data() + exponentText.size(), exponent);

    // The significant digits without the point and without trailing zeros.
    char mantissa[sizeof buffer];
    int count = 0;
    for (const char c : scientific.substr(negative ? 1 : 0, ePos - (negative ? 1 : 0))) {
        if (c != '.')
            mantissa[count++] = c;
    }
    while (count > 1 && mantissa[count - 1] == '0')
        --count;
    if (count == 1 && mantissa[0] == '0') {
        out += u'0';
        return;
    }

    // Composed in place: this runs for every number of an export.
    QVarLengthArray<QChar, 2 * sizeof buffer> text;
    const auto put = [&](QChar c) { text.append(c); };
    const auto putDigits = [&](int from, int to) {
        for (int i = from; i < to; ++i)
            put(QLatin1Char(mantissa[i]));
    };
    if (negative)
        put(u'-');
    if (exponent >= digits || exponent < -5) {
        putDigits(0, 1);
        if (count > 1) {
            put(settings.decimalSeparator);
            putDigits(1, count);
        }
        put(u'E');
        const auto written = std::to_chars(buffer, buffer + sizeof buffer, exponent);
        for (const char *c = buffer; c != written.ptr; ++c)
            put(QLatin1Char(*c));
    } else if (exponent < 0) {
        put(u'0');
        put(settings.decimalSeparator);
        for (int i = 0; i < -exponent - 1; ++i)
            put(u'0');
        putDigits(0, count);
    } else if (count <= exponent + 1) {
        putDigits(0, count);
        for (int i = count; i < exponent + 1; ++i)
            put(u'0');
    } else {
        putDigits(0, exponent + 1);
        put(settings.decimalSeparator);
        putDigits(exponent + 1, count);
    }
    out.append(text.constData(), text.size());
}

QString decimalToText(double value, const FormatSettings &settings, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    return floatToText(std::round(value * scale) / scale, settings);
}

void appendNumber(QString &out, qint64 value, int width)
{
    // Composed from the right in a buffer and appended in one piece.
    constexpr int room = 24;
    char16_t text[room];
    int first = room;
    quint64 v = value < 0 ? quint64(0) - quint64(value) : quint64(value);
    do {
        text[--first] = char16_t(u'0' + v % 10);
        v /= 10;
    } while (v != 0);
    while (room - first < width && first > 1)
        text[--first] = u'0';
    if (value < 0)
        text[--first] = u'-';
    out.append(QStringView(text + first, room - first));
}

namespace {

constexpr QLatin1StringView ampm("ampm");

int hourOn12HourClock(int hour)
{
    return hour % 12 == 0 ? 12 : hour % 12;
}

// A date-time picture taken apart once: the parts in order, each a value
// with its width or a text as it stands.
struct PicturePart
{
    enum Kind { Day, Month, Year, ShortYear, Hour, Minute, Second, AmPm, Text };
    Kind kind = Text;
    int width = 1;
    QString text; // Text: what is written; separators already resolved
};

std::vector<PicturePart> partsOf(const QString &picture, const FormatSettings &settings)
{
    std::vector<PicturePart> parts;
    const bool twelveHours = picture.contains(ampm, Qt::CaseInsensitive);
    const qsizetype n = picture.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = picture.at(i);
        const QChar lower = c.toLower();
        if (lower == u'a' && QStringView(picture).mid(i, ampm.size()).compare(ampm, Qt::CaseInsensitive) == 0) {
            parts.push_back({PicturePart::AmPm, 1, {}});
            i += ampm.size();
            continue;
        }
        qsizetype run = 1;
        while (i + run < n && picture.at(i + run).toLower() == lower)
            ++run;
        if (c == u'"' || c == u'\'') {
            const qsizetype end = picture.indexOf(c, i + 1);
            const qsizetype stop = end < 0 ? n : end;
            parts.push_back({PicturePart::Text, 1, picture.mid(i + 1, stop - i - 1)});
            i = stop + 1;
            continue;
        }
        const int width = run >= 2 ? 2 : 1;
        if (lower == u'd') {
            parts.push_back({PicturePart::Day, width, {}});
        } else if (lower == u'm') {
            parts.push_back({PicturePart::Month, width, {}});
        } else if (lower == u'y') {
            parts.push_back({run >= 3 ? PicturePart::Year : PicturePart::ShortYear, run >= 3 ? 4 : 2, {}});
        } else if (lower == u'h') {
            parts.push_back({PicturePart::Hour, twelveHours ? -width : width, {}});
        } else if (lower == u'n') {
            parts.push_back({PicturePart::Minute, width, {}});
        } else if (lower == u's') {
            parts.push_back({PicturePart::Second, width, {}});
        } else {
            const QChar text = c == u'/' ? settings.dateSeparator : c == u':' ? settings.timeSeparator : c;
            parts.push_back({PicturePart::Text, 1, QString(run, text)});
        }
        i += run;
    }
    return parts;
}

// The parts of `picture`, taken apart once for each picture and set of
// separators: an export formats the same two pictures for every date.
const std::vector<PicturePart> &cachedPartsOf(const QString &picture, const FormatSettings &settings)
{
    struct Entry
    {
        QString picture;
        QChar dateSeparator;
        QChar timeSeparator;
        std::vector<PicturePart> parts;
    };
    thread_local std::array<Entry, 4> entries;
    thread_local size_t nextEntry = 0;
    for (const Entry &e : entries) {
        if (!e.picture.isNull() && e.picture == picture && e.dateSeparator == settings.dateSeparator
            && e.timeSeparator == settings.timeSeparator)
            return e.parts;
    }
    Entry &e = entries[nextEntry++ % entries.size()];
    e = {picture, settings.dateSeparator, settings.timeSeparator, partsOf(picture, settings)};
    return e.parts;
}

// A day number taken apart once for every part of its pictures: date and
// time of day come straight from the day number (a local QDateTime would
// consult the time zone, a file lookup, for every value formatted), and the
// calendar date is computed once, not once for each of day, month and year.
struct DayParts
{
    int year;
    int month;
    int day;
    int seconds;
};

DayParts dayPartsOf(double day)
{
    DayParts parts{};
    OleDate::toDate(day).getDate(&parts.year, &parts.month, &parts.day);
    parts.seconds = OleDate::timeOfDayMs(day) / 1000;
    return parts;
}

// Appends `value` in decimal with leading zeros up to `width` digits to a
// text being composed; the values are parts of a date, never negative.
void putDigits(QVarLengthArray<char16_t, 64> &text, int value, int width)
{
    char16_t digits[12];
    int count = 0;
    unsigned v = unsigned(std::max(value, 0));
    do {
        digits[count++] = char16_t(u'0' + v % 10);
        v /= 10;
    } while (v != 0);
    for (int i = count; i < width; ++i)
        text.append(u'0');
    while (count > 0)
        text.append(digits[--count]);
}

void putText(QVarLengthArray<char16_t, 64> &text, const QString &part)
{
    text.append(reinterpret_cast<const char16_t *>(part.utf16()), part.size());
}

// Appends a day taken apart, formatted by a picture. This runs once or twice
// for every date cell of an export, so the text is composed in a buffer on
// the stack and appended in one piece.
void appendDayParts(QString &out, const QString &picture, const DayParts &t, const FormatSettings &settings)
{
    QVarLengthArray<char16_t, 64> text;
    for (const PicturePart &part : cachedPartsOf(picture, settings)) {
        switch (part.kind) {
        case PicturePart::Day: putDigits(text, t.day, part.width); break;
        case PicturePart::Month: putDigits(text, t.month, part.width); break;
        case PicturePart::Year: putDigits(text, t.year, 4); break;
        case PicturePart::ShortYear: putDigits(text, t.year % 100, 2); break;
        case PicturePart::Hour: {
            const int hour = t.seconds / 3600;
            putDigits(text, part.width < 0 ? hourOn12HourClock(hour) : hour, std::abs(part.width));
            break;
        }
        case PicturePart::Minute: putDigits(text, t.seconds / 60 % 60, part.width); break;
        case PicturePart::Second: putDigits(text, t.seconds % 60, part.width); break;
        case PicturePart::AmPm: putText(text, t.seconds < 12 * 3600 ? settings.timeAMString : settings.timePMString); break;
        case PicturePart::Text: putText(text, part.text); break;
        }
    }
    out.append(QStringView(text.constData(), text.size()));
}

void appendDateTime(QString &out, const QString &picture, double day, const FormatSettings &settings)
{
    appendDayParts(out, picture, dayPartsOf(day), settings);
}

} // namespace

QString formatDateTime(const QString &picture, double day, const FormatSettings &settings)
{
    QString out;
    out.reserve(picture.size() + 4);
    appendDateTime(out, picture, day, settings);
    return out;
}

QString dateToText(double day, const FormatSettings &settings)
{
    return formatDateTime(settings.shortDateFormat, day, settings);
}

QString timeToText(double day, const FormatSettings &settings)
{
    return formatDateTime(settings.longTimeFormat, day, settings);
}

QString dateTimeToText(double day, const FormatSettings &settings)
{
    QString out;
    out.reserve(settings.shortDateFormat.size() + settings.longTimeFormat.size() + 6);
    appendDateAndTime(out, day, settings);
    return out;
}

void appendDate(QString &out, double day, const FormatSettings &settings)
{
    appendDateTime(out, settings.shortDateFormat, day, settings);
}

void appendTime(QString &out, double day, const FormatSettings &settings)
{
    appendDateTime(out, settings.longTimeFormat, day, settings);
}

void appendDateAndTime(QString &out, double day, const FormatSettings &settings)
{
    const DayParts parts = dayPartsOf(day);
    appendDayParts(out, settings.shortDateFormat, parts, settings);
    if (OleDate::timeOfDayMs(day) != 0) {
        out += u' ';
        appendDayParts(out, settings.longTimeFormat, parts, settings);
    }
}

namespace {

// Order of day, month and year in a short date picture, e.g. "DMY".
QString dateOrder(const QString &picture)
{
    QString order;
    for (const QChar c : picture) {
        const QChar upper = c.toUpper();
        if ((upper == u'D' || upper == u'M' || upper == u'Y') && !order.contains(upper))
            order += upper;
    }
    return order.size() == 3 ? order : QStringLiteral("MDY");
}

std::optional<int> number(const QString &part)
{
    if (part.isEmpty() || part.size() > 4)
        return std::nullopt;
    bool ok = false;
    const int value = part.toInt(&ok);
    if (!ok || part.front() == u'+' || part.front() == u'-')
        return std::nullopt;
    return value;
}

// Two-digit years fall within 50 years of the current year.
int expandYear(int year, qsizetype digits)
{
    if (digits > 2)
        return year;
    const int now = QDate::currentDate().year();
    int full = now - now % 100 + year;
    if (full > now + 50)
        full -= 100;
    else if (full <= now - 50)
        full += 100;
    return full;
}

} // namespace

double textToDate(const QString &text, const FormatSettings &settings)
{
    const auto fail = [&text]() -> double {
        throw Error(QStringLiteral("'%1' is not a valid date").arg(text));
    };
    const QStringList parts = text.trimmed().split(settings.dateSeparator);
    if (parts.size() < 2 || parts.size() > 3)
        return fail();
    const QString order = dateOrder(settings.shortDateFormat);
    int day = 0, month = 0, year = QDate::currentDate().year();
    // Two parts give day and month in the format's order, in the current year.
    const QString partsOrder = parts.size() == 3 ? order : QString(order).remove(u'Y');
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const auto value = number(parts.at(i).trimmed());
        if (!value)
            return fail();
        switch (partsOrder.at(i).unicode()) {
        case u'D': day = *value; break;
        case u'M': month = *value; break;
        default: year = expandYear(*value, parts.at(i).trimmed().size()); break;
        }
    }
    const QDate date(year, month, day);
    if (!date.isValid())
        return fail();
    return OleDate::fromDate(date);
}

} // namespace TextFormat
