#include "JetRowEncoder.h"

#include "Error.h"
#include "JetLongValueStore.h"
#include "JetText.h"

#include <QLocale>
#include <QtEndian>

#include <cmath>
#include <limits>

namespace {

constexpr int longValueFieldSize = 12;
constexpr quint8 inlineFlag = 0x80;
constexpr qsizetype maxLongValueBytes = 0x00FFFFFF; // the length field has 24 bits

QString kindName(JetValue::Kind kind)
{
    switch (kind) {
    case JetValue::Kind::Null: return QStringLiteral("null");
    case JetValue::Kind::Bool: return QStringLiteral("a boolean");
    case JetValue::Kind::Integer: return QStringLiteral("an integer");
    case JetValue::Kind::Double: return QStringLiteral("a number");
    case JetValue::Kind::Text: return QStringLiteral("a text");
    case JetValue::Kind::Bytes: return QStringLiteral("bytes");
    case JetValue::Kind::DateTime: return QStringLiteral("a date-time");
    case JetValue::Kind::Currency: return QStringLiteral("a currency amount");
    }
    return {};
}

QByteArray longValueField(qsizetype length, quint8 flags, quint32 pageRow)
{
    QByteArray field(longValueFieldSize, '\0');
    qToLittleEndian<quint32>(quint32(length) | quint32(flags) << 24, field.data());
    qToLittleEndian<quint32>(pageRow, field.data() + 4);
    return field;
}

} // namespace

JetRowEncoder::JetRowEncoder(const JetTableLayout &layout, JetLongValueStore &longValues)
    : m_layout(layout), m_longValues(longValues)
{
    const int varCount = layout.varColumnCount();
    m_var.resize(varCount);
    m_longPayload.resize(varCount);
    m_isLong.resize(varCount);
    m_hasLong.resize(varCount);
    for (const auto &column : layout.columns()) {
        if (!column.fixed) {
            const JetType type = column.definition.type;
            m_isLong[column.varIndex] = type == JetType::Memo || type == JetType::Ole;
        }
    }
    m_fixed.resize(layout.fixedAreaSize());
    m_nullMask.resize(layout.nullMaskSize());
}

QByteArrayView JetRowEncoder::encode(std::span<const JetValue> values)
{
    const auto &columns = m_layout.columns();
    if (values.size() != size_t(columns.size()))
        throw Error(QStringLiteral("Table \"%1\": a row has %2 values, the table has %3 columns")
                        .arg(m_layout.tableName())
                        .arg(values.size())
                        .arg(columns.size()));
    m_fixed.fill('\0');
    m_nullMask.fill('\0');
    for (qsizetype i = 0; i < m_var.size(); ++i) {
        m_var[i].clear();
        m_hasLong[i] = false;
    }
    for (qsizetype i = 0; i < columns.size(); ++i)
        encodeValue(columns[i], values[size_t(i)]);

    placeLongValues(rowSizeWithPointers());
    assemble();
    return m_row;
}

void JetRowEncoder::encodeValue(const JetTableLayout::Column &column, const JetValue &value)
{
    using Kind = JetValue::Kind;
    const Kind kind = value.kind();
    if (kind == Kind::Null)
        return;
    const JetType type = column.definition.type;
    auto wrongKind = [&]() { fail(column, QStringLiteral("%1 does not go into a %2 column").arg(kindName(kind), jetTypeName(type))); };
    auto integerIn = [&](qint64 min, qint64 max) -> qint64 {
        qint64 result = 0;
        if (kind == Kind::Integer) {
            result = value.toInteger();
        } else if (kind == Kind::Double && std::isfinite(value.toDouble()) && std::trunc(value.toDouble()) == value.toDouble()
                   && std::fabs(value.toDouble()) < 9.2e18) {
            result = qint64(value.toDouble());
        } else {
            wrongKind();
        }
        if (result < min || result > max)
            fail(column, QStringLiteral("%1 is out of the range %2 to %3").arg(result).arg(min).arg(max));
        return result;
    };
    auto number = [&]() -> double {
        if (kind == Kind::Integer)
            return double(value.toInteger());
        if (kind != Kind::Double)
            wrongKind();
        return value.toDouble();
    };
    // Where a number, date or decimal goes: the fixed area, or its own
    // variable-length value.
    char *fixed = m_fixed.data() + column.fixedOffset;
    if (!column.fixed && column.fixedSize > 0) {
        m_var[column.varIndex] = QByteArray(column.fixedSize, '\0');
        fixed = m_var[column.varIndex].data();
    }
    const int bit = column.number;
    bool present = true;

    switch (type) {
    case JetType::Boolean:
        if (kind == Kind::Bool)
            present = value.toBool();
        else if (kind == Kind::Integer)
            present = value.toInteger() != 0;
        else
            wrongKind();
        break;
    case JetType::Byte:
        *fixed = char(quint8(integerIn(0, 255)));
        break;
    case JetType::Integer:
        qToLittleEndian<qint16>(qint16(integerIn(std::numeric_limits<qint16>::min(), std::numeric_limits<qint16>::max())), fixed);
        break;
    case JetType::Long:
        qToLittleEndian<qint32>(qint32(integerIn(std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max())), fixed);
        break;
    case JetType::Currency: {
        qint64 scaled = 0;
        constexpr qint64 limit = std::numeric_limits<qint64>::max() / 10000;
        if (kind == Kind::Currency) {
            scaled = value.toCurrency();
        } else if (kind == Kind::Integer) {
            if (value.toInteger() > limit || value.toInteger() < -limit)
                fail(column, QStringLiteral("%1 is out of the currency range").arg(value.toInteger()));
            scaled = value.toInteger() * 10000;
        } else if (kind == Kind::Double) {
            const double d = value.toDouble() * 10000.0;
            if (!std::isfinite(d) || std::fabs(d) >= 9.2e18)
                fail(column, QStringLiteral("%1 is out of the currency range").arg(value.toDouble()));
            scaled = std::llround(d);
        } else {
            wrongKind();
        }
        qToLittleEndian<qint64>(scaled, fixed);
        break;
    }
    case JetType::Single: {
        const double d = number();
        if (std::isfinite(d) && std::fabs(d) > double(std::numeric_limits<float>::max()))
            fail(column, QStringLiteral("%1 is out of the Single range").arg(d));
        qToLittleEndian<float>(float(d), fixed);
        break;
    }
    case JetType::Double:
        qToLittleEndian<double>(number(), fixed);
        break;
    case JetType::DateTime: {
        double day = 0;
        if (kind == Kind::DateTime)
            day = value.toOleDate();
        else
            day = number();
        if (!std::isfinite(day))
            fail(column, QStringLiteral("the date-time is not a number"));
        qToLittleEndian<double>(day, fixed);
        break;
    }
    case JetType::Decimal: {
        QString digits;
        if (kind == Kind::Text)
            digits = value.toText();
        else if (kind == Kind::Integer)
            digits = QString::number(value.toInteger());
        else if (kind == Kind::Double && std::isfinite(value.toDouble()))
            digits = QString::number(value.toDouble(), 'f', QLocale::FloatingPointShortest);
        else
            wrongKind();
        encodeDecimal(column, digits, fixed);
        break;
    }
    case JetType::Text:
        if (kind != Kind::Text)
            wrongKind();
        if (value.toText().size() > column.definition.size)
            fail(column, QStringLiteral("a text of %1 characters exceeds the column size %2")
                             .arg(value.toText().size())
                             .arg(column.definition.size));
        JetText::append(m_var[column.varIndex], value.toText(), true);
        break;
    case JetType::Binary:
        if (kind != Kind::Bytes)
            wrongKind();
        if (value.toBytes().size() > column.definition.size)
            fail(column, QStringLiteral("%1 bytes exceed the column size %2").arg(value.toBytes().size()).arg(column.definition.size));
        m_var[column.varIndex] = value.toBytes();
        break;
    case JetType::Memo:
    case JetType::Ole: {
        QByteArray &payload = m_longPayload[column.varIndex];
        payload.clear();
        if (type == JetType::Memo) {
            if (kind != Kind::Text)
                wrongKind();
            JetText::append(payload, value.toText(), value.toText().size() <= maxCompressedMemoChars);
        } else {
            if (kind != Kind::Bytes)
                wrongKind();
            payload = value.toBytes();
        }
        if (payload.size() > maxLongValueBytes)
            fail(column, QStringLiteral("the value has more than %1 bytes").arg(maxLongValueBytes));
        m_hasLong[column.varIndex] = true;
        break;
    }
    }
    if (present)
        m_nullMask[bit / 8] = char(quint8(m_nullMask[bit / 8]) | (1u << (bit % 8)));
}

void JetRowEncoder::encodeDecimal(const JetTableLayout::Column &column, const QString &text, char *out) const
{
    // "-123.45" in a column of scale 4 is the magnitude 1234500.
    const int scale = column.definition.scale;
    const bool negative = text.startsWith(u'-');
    const QString unsignedText = negative || text.startsWith(u'+') ? text.mid(1) : text;
    const qsizetype point = unsignedText.indexOf(u'.');
    QString whole = point < 0 ? unsignedText : unsignedText.left(point);
    QString fraction = point < 0 ? QString() : unsignedText.mid(point + 1);
    while (fraction.endsWith(u'0'))
        fraction.chop(1);
    while (whole.startsWith(u'0'))
        whole.remove(0, 1);
    const QString all = whole + fraction;
    if (all.isEmpty() && unsignedText.isEmpty())
        fail(column, QStringLiteral("\"%1\" is no decimal number").arg(text));
    for (QChar c : all) {
        if (!c.isDigit() || c.unicode() > '9')
            fail(column, QStringLiteral("\"%1\" is no decimal number").arg(text));
    }
    if (fraction.size() > scale)
        fail(column, QStringLiteral("%1 has more than %2 decimals").arg(text).arg(scale));
    if (whole.size() > column.definition.precision - scale)
        fail(column, QStringLiteral("%1 has more than %2 digits before the point")
                         .arg(text)
                         .arg(column.definition.precision - scale));
    unsigned __int128 magnitude = 0;
    for (QChar c : whole + fraction.leftJustified(scale, u'0'))
        magnitude = magnitude * 10 + unsigned(c.unicode() - '0');
    // A sign byte, then four little-endian 32-bit words, the most
    // significant first.
    out[0] = char(negative && magnitude != 0 ? 0x80 : 0x00);
    for (int word = 0; word < 4; ++word)
        qToLittleEndian<quint32>(quint32(magnitude >> (32 * (3 - word))), out + 1 + 4 * word);
}

int JetRowEncoder::rowSizeWithPointers() const
{
    int size = 2 + m_layout.fixedAreaSize() + m_layout.nullMaskSize() + 2;
    if (m_layout.varColumnCount() > 0)
        size += 2 + 2 * m_layout.varColumnCount();
    for (qsizetype i = 0; i < m_var.size(); ++i)
        size += m_hasLong[i] ? longValueFieldSize : int(m_var[i].size());
    return size;
}

void JetRowEncoder::placeLongValues(int rowSize)
{
    if (rowSize > maxRowSize)
        throw Error(QStringLiteral("Table \"%1\": a row of %2 bytes exceeds the Jet row size of %3 bytes")
                        .arg(m_layout.tableName())
                        .arg(rowSize)
                        .arg(maxRowSize));
    for (qsizetype i = 0; i < m_var.size(); ++i) {
        if (!m_hasLong[i])
            continue;
        const QByteArray &payload = m_longPayload[i];
        if (payload.size() <= maxInlineLongValue && rowSize + payload.size() <= maxRowSize) {
            m_var[i] = longValueField(payload.size(), inlineFlag, 0);
            m_var[i].append(payload);
            rowSize += int(payload.size());
        } else {
            const auto reference = m_longValues.put(payload);
            m_var[i] = longValueField(payload.size(), reference.flags, reference.pageRow);
        }
    }
}

void JetRowEncoder::assemble()
{
    const int columnCount = int(m_layout.columns().size());
    const int varCount = m_layout.varColumnCount();
    m_row.resize(2);
    qToLittleEndian<quint16>(quint16(columnCount), m_row.data());
    m_row.append(m_fixed);

    char word[2];
    auto appendWord = [&](int value) {
        qToLittleEndian<quint16>(quint16(value), word);
        m_row.append(word, 2);
    };
    if (varCount > 0) {
        QVarLengthArray<int, 32> offsets(varCount);
        for (int i = 0; i < varCount; ++i) {
            offsets[i] = int(m_row.size());
            m_row.append(m_var[i]);
        }
        appendWord(int(m_row.size())); // end of variable data
        for (int i = varCount - 1; i >= 0; --i)
            appendWord(offsets[i]);
    }
    // The variable column count is also written when the table has none, so
    // that readers which always look for it find a 0 there.
    appendWord(varCount);
    m_row.append(m_nullMask);
}

void JetRowEncoder::fail(const JetTableLayout::Column &column, const QString &problem) const
{
    throw Error(QStringLiteral("Table \"%1\", column \"%2\": %3").arg(m_layout.tableName(), column.definition.name, problem));
}
