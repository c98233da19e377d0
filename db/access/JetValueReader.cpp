#include "JetValueReader.h"

#include "JetFile.h"
#include "JetTableDef.h"

#include <QtEndian>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace db {

namespace {

constexpr uchar compressedMark0 = 0xFF;
constexpr uchar compressedMark1 = 0xFE;
constexpr int numericSize = 17;
constexpr int guidSize = 16;
constexpr int guidTextSize = 38;

double numericValue(const uchar *p, int scale)
{
    // Sign byte, then the magnitude as four little-endian 32-bit words,
    // the most significant first.
    double magnitude = 0;
    for (int word = 0; word < 4; ++word)
        magnitude = magnitude * 4294967296.0 + double(qFromLittleEndian<quint32>(p + 1 + 4 * word));
    const double value = magnitude / std::pow(10.0, scale);
    return (p[0] & 0x80) ? -value : value;
}

} // namespace

JetValueReader::Storage JetValueReader::storageOf(const JetColumnDef &column)
{
    switch (column.type) {
    case JetColumnType::Boolean:
    case JetColumnType::Byte:
    case JetColumnType::Integer:
    case JetColumnType::Long:
        return Storage::Integer;
    case JetColumnType::Currency:
    case JetColumnType::Single:
    case JetColumnType::Double:
    case JetColumnType::DateTime:
    case JetColumnType::Numeric:
        return Storage::Real;
    case JetColumnType::Text:
    case JetColumnType::Memo:
    case JetColumnType::Guid:
        return Storage::Text;
    case JetColumnType::Binary:
    case JetColumnType::Ole:
        return Storage::Blob;
    }
    return Storage::Blob;
}

JetValueReader::JetValueReader(JetFile &file)
    : m_file(file)
    , m_longValues(file)
{
}

double JetValueReader::singleToDouble(float value)
{
    // Whole numbers of a single's range are exact in both types.
    if (value == std::trunc(value) && std::fabs(value) < 16777216.0f)
        return double(value);
    if (!std::isfinite(value))
        return double(value);
    char digits[32];
    const auto written = std::to_chars(digits, digits + sizeof digits, value);
    double result = double(value);
    std::from_chars(digits, written.ptr, result);
    return result;
}

qint64 JetValueReader::integer(const JetColumnDef &column, const JetRow::Field &field) const
{
    const uchar *p = field.data;
    switch (column.type) {
    case JetColumnType::Byte: return p[0];
    case JetColumnType::Integer: return qFromLittleEndian<qint16>(p);
    case JetColumnType::Long: return qFromLittleEndian<qint32>(p);
    default: return 0;
    }
}

double JetValueReader::real(const JetColumnDef &column, const JetRow::Field &field) const
{
    const uchar *p = field.data;
    switch (column.type) {
    case JetColumnType::Currency: return double(qFromLittleEndian<qint64>(p)) / 10000.0;
    case JetColumnType::Single: return singleToDouble(qFromLittleEndian<float>(p));
    case JetColumnType::Double:
    case JetColumnType::DateTime: return qFromLittleEndian<double>(p);
    case JetColumnType::Numeric: return numericValue(p, column.scale);
    default: return 0;
    }
}

QByteArrayView JetValueReader::unicode(QByteArrayView stored)
{
    const auto *p = reinterpret_cast<const uchar *>(stored.data());
    const qsizetype n = stored.size();
    if (n < 2 || p[0] != compressedMark0 || p[1] != compressedMark1)
        return stored.first(n & ~qsizetype(1));
    // Compressed: one byte a character (the high byte being zero) until a
    // zero byte switches to two bytes a character, and back. The text has
    // at most one character a stored byte.
    if (m_units.size() < size_t(n))
        m_units.resize(size_t(n));
    char16_t *out = m_units.data();
    bool compressed = true;
    qsizetype i = 2;
    while (i < n) {
        const uchar byte = p[i];
        if (byte == 0) {
            compressed = !compressed;
            ++i;
        } else if (compressed) {
            *out++ = byte;
            ++i;
        } else if (i + 1 < n) {
            *out++ = char16_t(byte | (p[i + 1] << 8));
            i += 2;
        } else {
            break;
        }
    }
    return QByteArrayView(reinterpret_cast<const char *>(m_units.data()), (out - m_units.data()) * 2);
}

QByteArrayView JetValueReader::guidText(const uchar *b)
{
    // {00112233-4455-6677-8899-AABBCCDDEEFF}, the first three groups stored
    // little-endian.
    static const char hex[] = "0123456789ABCDEF";
    static const int order[guidSize] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    m_units.resize(std::max<size_t>(m_units.size(), guidTextSize));
    char16_t *out = m_units.data();
    *out++ = u'{';
    for (int i = 0; i < guidSize; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            *out++ = u'-';
        *out++ = char16_t(hex[b[order[i]] >> 4]);
        *out++ = char16_t(hex[b[order[i]] & 0x0F]);
    }
    *out++ = u'}';
    return QByteArrayView(reinterpret_cast<const char *>(m_units.data()), guidTextSize * 2);
}

QByteArrayView JetValueReader::text(const JetColumnDef &column, const JetRow::Field &field)
{
    const QByteArrayView stored(reinterpret_cast<const char *>(field.data), field.size);
    switch (column.type) {
    case JetColumnType::Memo: return unicode(m_longValues.read(field.data, field.size));
    case JetColumnType::Guid: return guidText(field.data);
    default: return unicode(stored);
    }
}

QByteArrayView JetValueReader::blob(const JetColumnDef &column, const JetRow::Field &field)
{
    if (column.type == JetColumnType::Ole)
        return m_longValues.read(field.data, field.size);
    return QByteArrayView(reinterpret_cast<const char *>(field.data), field.size);
}

QString JetValueReader::textAsString(const JetColumnDef &column, const JetRow::Field &field)
{
    const QByteArrayView utf16 = text(column, field);
    QString result(utf16.size() / 2, Qt::Uninitialized);
    std::memcpy(result.data(), utf16.data(), size_t(result.size()) * 2);
    return result;
}

} // namespace db
