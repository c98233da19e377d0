#include "TExportDataFormats.h"

namespace {

// The first letter of a short date picture and the first letters after its
// first and second date separator, e.g. "DMY" for "dd/mm/yyyy".
QString partLetters(const QString &picture, QChar separator)
{
    QString letters;
    bool wanted = true;
    for (const QChar c : picture) {
        if (c == u'/' || c == separator) {
            wanted = true;
            continue;
        }
        if (wanted && c.isLetter()) {
            letters += c;
            wanted = false;
        }
    }
    return letters;
}

TDateOrder orderOf(const QString &letters)
{
    if (letters.size() < 3)
        return doMDY;
    const QString first = letters.left(3);
    if (first == u"DMY")
        return doDMY;
    if (first == u"DYM")
        return doDYM;
    if (first == u"MDY")
        return doMDY;
    if (first == u"MYD")
        return doMYD;
    if (first == u"YMD")
        return doYMD;
    if (first == u"YDM")
        return doYDM;
    return doMDY;
}

const char *orderLetters(TDateOrder order)
{
    switch (order) {
    case doDMY: return "DMY";
    case doYMD: return "YMD";
    case doYDM: return "YDM";
    case doDYM: return "DYM";
    case doMYD: return "MYD";
    case doMDY: break;
    }
    return "MDY";
}

// A separator as a quoted literal of the picture; nothing for the null character.
QString literal(QChar separator)
{
    if (separator.isNull())
        return {};
    return u'"' + QString(separator) + u'"';
}

} // namespace

TExportDataFormats::TExportDataFormats()
{
    loadRegional(FormatSettings::current());
}

void TExportDataFormats::loadRegional(const FormatSettings &settings)
{
    dateSeparator = settings.dateSeparator;
    timeSeparator = settings.timeSeparator;
    decimalSeparator = settings.decimalSeparator;
    thousandSeparator = settings.thousandSeparator;
    currencyString = settings.currencyString;
    const QString picture = settings.shortDateFormat.toUpper();
    dateOrder = orderOf(partLetters(picture, settings.dateSeparator.toUpper()));
    fourDigitYear = picture.contains(QStringLiteral("YYYY"));
    leadingZerosInDate = picture.contains(QStringLiteral("DD"));
    customDateTimeFormat.clear();
}

QString TExportDataFormats::dateFormat() const
{
    if (!customDateTimeFormat.isEmpty())
        return customDateTimeFormat.toUpper();
    const QString day = leadingZerosInDate ? QStringLiteral("DD") : QStringLiteral("D");
    const QString month = leadingZerosInDate ? QStringLiteral("MM") : QStringLiteral("M");
    const QString year = fourDigitYear ? QStringLiteral("YYYY") : QStringLiteral("YY");
    QString format;
    for (const char *letter = orderLetters(dateOrder); *letter; ++letter) {
        if (!format.isEmpty())
            format += literal(dateSeparator);
        format += *letter == 'D' ? day : *letter == 'M' ? month : year;
    }
    return format;
}

QString TExportDataFormats::timeFormat() const
{
    const QString separator = literal(timeSeparator);
    return QStringLiteral("HH") + separator + QStringLiteral("NN") + separator + QStringLiteral("SS");
}

FormatSettings TExportDataFormats::installedInto(FormatSettings settings) const
{
    settings.decimalSeparator = decimalSeparator;
    settings.dateSeparator = dateSeparator;
    settings.timeSeparator = timeSeparator;
    settings.thousandSeparator = thousandSeparator;
    settings.currencyString = currencyString;
    return settings;
}
