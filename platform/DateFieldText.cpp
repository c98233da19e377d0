#include "DateFieldText.h"

#include "OleDate.h"

namespace DateFieldText {

DateOrder orderOf(const QString &shortDateFormat)
{
    const QString picture = shortDateFormat.toLower();
    const qsizetype day = picture.indexOf(u'd');
    const qsizetype month = picture.indexOf(u'm');
    const qsizetype year = picture.indexOf(u'y');
    if (year >= 0 && (day < 0 || year < day) && (month < 0 || year < month))
        return DateOrder::YearMonthDay;
    if (month >= 0 && day >= 0 && month < day)
        return DateOrder::MonthDayYear;
    return DateOrder::DayMonthYear;
}

QString formatFor(DateOrder order, bool fourDigits)
{
    const QString year = fourDigits ? QStringLiteral("YYYY") : QStringLiteral("YY");
    switch (order) {
    case DateOrder::MonthDayYear: return QStringLiteral("MM/DD/") + year;
    case DateOrder::DayMonthYear: return QStringLiteral("DD/MM/") + year;
    case DateOrder::YearMonthDay: return year + QStringLiteral("/MM/DD");
    }
    return {};
}

QString defaultFormat(const FormatSettings &settings)
{
    return formatFor(orderOf(settings.shortDateFormat),
                     settings.shortDateFormat.contains(QStringLiteral("yyyy"), Qt::CaseInsensitive));
}

QString text(QDate date, const FormatSettings &settings)
{
    FormatSettings field = settings;
    field.shortDateFormat = defaultFormat(settings);
    return TextFormat::formatDateTime(field.shortDateFormat, OleDate::fromDate(date), field);
}

} // namespace DateFieldText
