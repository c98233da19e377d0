#include "TParameter.h"

#include "Error.h"

#include <cmath>

namespace db {

namespace {

// Converts `value` to the parameter's declared type, as the provider
// would when binding it.
Value convert(const Value &value, FieldType type)
{
    if (value.isNull())
        return value;
    switch (type) {
    case ftDate:
    case ftTime:
    case ftDateTime:
        return value.kind() == Value::String ? value : Value::fromDateTime(value.toDouble());
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint:
        if (value.kind() == Value::Double || value.kind() == Value::DateTime)
            return Value::fromInt(std::llround(value.toDouble()));
        return value.kind() == Value::String ? value : Value::fromInt(value.toInt());
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftFMTBcd:
        return value.kind() == Value::String ? value : Value::fromDouble(value.toDouble());
    case ftBoolean:
        return Value::fromBool(value.toBool());
    case ftString:
    case ftWideString:
    case ftFixedChar:
    case ftMemo:
        return Value::fromString(value.toText());
    default:
        return value;
    }
}

} // namespace

void TParameter::setDataType(FieldType type)
{
    m_dataType = type;
    m_value = convert(m_value, type);
}

void TParameter::setValue(const Value &value)
{
    m_value = convert(value, m_dataType);
}

} // namespace db
