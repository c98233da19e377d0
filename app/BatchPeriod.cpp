#include "BatchPeriod.h"

#include "Error.h"

#include <QRegularExpression>

namespace {

// Years QDate and the window's date fields show with four digits.
constexpr int firstYear = 1000;
constexpr int lastYear = 9999;

BatchPeriod::Named year(int y)
{
    return {{QDate(y, 1, 1), QDate(y, 12, 31)}, QString::number(y)};
}

BatchPeriod::Named month(int y, int m)
{
    const QDate first(y, m, 1);
    return {{first, first.addMonths(1).addDays(-1)}, first.toString(QStringLiteral("yyyy-MM"))};
}

BatchPeriod::Named quarter(int y, int q)
{
    const QDate first(y, 3 * (q - 1) + 1, 1);
    return {{first, first.addMonths(3).addDays(-1)}, QStringLiteral("%1-Q%2").arg(y).arg(q)};
}

int quarterOf(QDate date)
{
    return (date.month() - 1) / 3 + 1;
}

[[noreturn]] void refuse(const QString &text)
{
    throw Error(QStringLiteral("--period: '%1' ist kein Zeitraum (JJJJ, JJJJ-MM, JJJJ-Qn, last-month, "
                               "last-quarter oder last-year).")
                    .arg(text));
}

} // namespace

namespace BatchPeriod {

Named parse(const QString &text, QDate today)
{
    if (text == QLatin1String("last-month")) {
        const QDate previous = today.addMonths(-1);
        return month(previous.year(), previous.month());
    }
    if (text == QLatin1String("last-quarter")) {
        const QDate previous = QDate(today.year(), today.month(), 1).addMonths(-3);
        return quarter(previous.year(), quarterOf(previous));
    }
    if (text == QLatin1String("last-year"))
        return year(today.year() - 1);

    static const QRegularExpression form(QStringLiteral("^(\\d{4})(?:-(?:(\\d{2})|[Qq]([1-4])))?$"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        refuse(text);
    const int y = match.captured(1).toInt();
    if (y < firstYear || y > lastYear)
        refuse(text);
    if (match.hasCaptured(2)) {
        const int m = match.captured(2).toInt();
        if (m < 1 || m > 12)
            refuse(text);
        return month(y, m);
    }
    if (match.hasCaptured(3))
        return quarter(y, match.captured(3).toInt());
    return year(y);
}

QString nameOf(const PeriodBinding::Period &period)
{
    return period.from.toString(Qt::ISODate) + u'_' + period.to.toString(Qt::ISODate);
}

} // namespace BatchPeriod
