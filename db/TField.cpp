#include "TField.h"

#include "FormatSettings.h"
#include "TADOQuery.h"

#include <QLocale>

namespace db {

TField::TField(TADOQuery *query, int index, FieldDef def)
    : m_query(query)
    , m_index(index)
    , m_def(std::move(def))
    , m_displayWidth(defaultDisplayWidth(m_def))
    , m_alignment(defaultAlignment(m_def.type))
{
}

const Value &TField::value() const
{
    return m_query->currentValue(m_index);
}

QString TField::decimalText(const Value &v, const FormatSettings &settings) const
{
    switch (v.kind()) {
    case Value::String: {
        // An exact decimal text, as wide decimals come: every digit kept,
        // under the run's decimal separator.
        QString text = v.stringRef();
        text.replace(u'.', settings.decimalSeparator);
        return text;
    }
    case Value::Integer:
        return QString::number(v.toInt());
    default:
        if (m_def.type == ftBCD) // at most four decimals
            return TextFormat::decimalToText(v.toDouble(), settings, 4);
        // A formatted BCD field's double carries all its digits (at most
        // 15): its shortest decimal, without an exponent.
        QString text = QString::number(v.toDouble(), 'f', QLocale::FloatingPointShortest);
        text.replace(u'.', settings.decimalSeparator);
        return text;
    }
}

QString TField::asString() const
{
    const Value &v = value();
    if (v.isNull())
        return {};
    const FormatSettings &settings = FormatSettings::current();
    switch (m_def.type) {
    case ftBoolean:
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint:
        return QString::number(v.toInt());
    case ftFloat:
    case ftCurrency:
        return TextFormat::floatToText(v.toDouble(), settings);
    case ftBCD:
    case ftFMTBcd:
        return decimalText(v, settings);
    case ftDate:
        return TextFormat::dateToText(v.toDouble(), settings);
    case ftTime:
        return TextFormat::timeToText(v.toDouble(), settings);
    case ftDateTime:
        return TextFormat::dateTimeToText(v.toDouble(), settings);
    default:
        if (v.kind() == Value::String)
            return v.stringRef();
        return v.toText();
    }
}

Value TField::asVariant() const
{
    const Value &v = value();
    if (v.isNull() && (m_def.type == ftMemo || m_def.type == ftFmtMemo))
        return Value::fromString(QString());
    return v;
}

} // namespace db
