#include "Value.h"

#include "DatabaseError.h"
#include "FormatSettings.h"

namespace db {

bool Value::toBool() const
{
    switch (m_kind) {
    case Boolean: return std::get<bool>(m_data);
    case Integer: return std::get<qint64>(m_data) != 0;
    case Double:
    case DateTime: return std::get<double>(m_data) != 0.0;
    default: return false;
    }
}

qint64 Value::toInt() const
{
    switch (m_kind) {
    case Boolean: return std::get<bool>(m_data) ? -1 : 0;
    case Integer: return std::get<qint64>(m_data);
    case Double:
    case DateTime: return static_cast<qint64>(std::get<double>(m_data));
    case String: return std::get<QString>(m_data).trimmed().toLongLong();
    default: return 0;
    }
}

double Value::toDouble() const
{
    switch (m_kind) {
    case Boolean: return std::get<bool>(m_data) ? -1.0 : 0.0;
    case Integer: return static_cast<double>(std::get<qint64>(m_data));
    case Double:
    case DateTime: return std::get<double>(m_data);
    case String: return std::get<QString>(m_data).trimmed().toDouble();
    default: return 0.0;
    }
}

const QString &Value::stringRef() const
{
    static const QString empty;
    return m_kind == String ? std::get<QString>(m_data) : empty;
}

const QByteArray &Value::bytesRef() const
{
    static const QByteArray empty;
    return m_kind == Bytes ? std::get<QByteArray>(m_data) : empty;
}

QString Value::toText() const
{
    return toText(FormatSettings::current());
}

QString Value::toText(const FormatSettings &settings) const
{
    switch (m_kind) {
    case Null:
        throw DataError(QStringLiteral("Could not convert variant of type (%1) into type (%2)")
                        .arg(QLatin1String(kindName(Null)), QLatin1String(kindName(String))));
    case Boolean: return std::get<bool>(m_data) ? QStringLiteral("True") : QStringLiteral("False");
    case Integer: return QString::number(std::get<qint64>(m_data));
    case Double: return TextFormat::floatToText(std::get<double>(m_data), settings);
    case DateTime: return TextFormat::dateTimeToText(std::get<double>(m_data), settings);
    case String: return std::get<QString>(m_data);
    case Bytes: return QString::fromLatin1(std::get<QByteArray>(m_data));
    }
    return {};
}

const char *Value::kindName(Kind kind)
{
    switch (kind) {
    case Null: return "Null";
    case Boolean: return "Boolean";
    case Integer: return "Int64";
    case Double: return "Double";
    case DateTime: return "Date";
    case String: return "String";
    case Bytes: return "Array of Byte";
    }
    return "Unknown";
}

} // namespace db
