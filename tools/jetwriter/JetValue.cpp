#include "JetValue.h"

#include "OleDate.h"

JetValue::JetValue(const QDateTime &dateTime)
{
    if (dateTime.isValid())
        m_value = DateTimeValue{OleDate::fromDateTime(dateTime)};
}

JetValue JetValue::oleDate(double day)
{
    JetValue value;
    value.m_value = DateTimeValue{day};
    return value;
}

JetValue JetValue::currency(qint64 tenThousandths)
{
    JetValue value;
    value.m_value = CurrencyValue{tenThousandths};
    return value;
}

JetValue JetValue::bytes(const QByteArray &data)
{
    JetValue value;
    value.m_value = data;
    return value;
}

JetValue::Kind JetValue::kind() const
{
    switch (m_value.index()) {
    case 0: return Kind::Null;
    case 1: return Kind::Bool;
    case 2: return Kind::Integer;
    case 3: return Kind::Double;
    case 4: return Kind::Text;
    case 5: return Kind::Bytes;
    case 6: return Kind::DateTime;
    default: return Kind::Currency;
    }
}
