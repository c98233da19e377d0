#include "TField.h"

#include "FormatSettings.h"
#include "TADOQuery.h"

#include <QLocale>

namespace db {

namespace {

// From this length on a text is handed on shared instead of copied: a
// short one is cheaper to copy into a reused buffer than to share and
// allocate anew for the next value.
constexpr qsizetype sharedTextSize = 256;

} // namespace

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
    QString text;
    appendText(text);
    return text;
}

QString TField::displayText(const FormatSettings &settings) const
{
    QString text;
    appendText(text, settings);
    return text;
}

void TField::appendText(QString &out) const
{
    appendText(out, FormatSettings::current());
}

void TField::appendText(QString &out, const FormatSettings &settings) const
{
    const Value &v = value();
    if (v.isNull())
        return;
    switch (m_def.type) {
    case ftBoolean:
        out += v.toBool() ? QLatin1StringView("True") : QLatin1StringView("False");
        break;
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint:
        TextFormat::appendNumber(out, v.toInt());
        break;
    case ftFloat:
    case ftCurrency:
        TextFormat::appendFloat(out, v.toDouble(), settings);
        break;
    case ftBCD:
    case ftFMTBcd:
        out += decimalText(v, settings);
        break;
    case ftDate:
        TextFormat::appendDate(out, v.toDouble(), settings);
        break;
    case ftTime:
        TextFormat::appendTime(out, v.toDouble(), settings);
        break;
    case ftDateTime:
        TextFormat::appendDateAndTime(out, v.toDouble(), settings);
        break;
    default:
        if (v.kind() != Value::String) {
            out += v.toText(settings);
        } else if (out.isEmpty() && v.stringRef().size() >= sharedTextSize) {
            // A long text (a certificate, a signature) alone in `out` is
            // shared with the value, not copied character by character.
            out = v.stringRef();
        } else {
            out += v.stringRef();
        }
        break;
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
