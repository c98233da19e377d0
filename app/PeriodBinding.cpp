#include "PeriodBinding.h"

#include "FormatSettings.h"
#include "TADOQuery.h"

namespace PeriodBinding {

Period defaultPeriod(QDate today)
{
    return {today.addDays(-365), today};
}

void bind(db::TADOQuery &query, const QString &fromText, const QString &toText)
{
    query.close();
    db::TParameters &parameters = query.parameters();
    const FormatSettings &settings = FormatSettings::current();
    parameters.paramByName(QStringLiteral("pvondatum"))
        .setValue(db::Value::fromDateTime(TextFormat::textToDate(fromText, settings)));
    // The end text is read and converted once for each of the two
    // parameters; the three conditions together exclude the midnight that
    // follows the last day.
    parameters.paramByName(QStringLiteral("pbisdatum"))
        .setValue(db::Value::fromDouble(TextFormat::textToDate(toText, settings) + 1));
    parameters.paramByName(QStringLiteral("pbisdatum2"))
        .setValue(db::Value::fromDouble(TextFormat::textToDate(toText, settings) + 1));
}

} // namespace PeriodBinding
