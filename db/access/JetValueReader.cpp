#include "JetValueReader.h"

#include "JetFile.h"
#include "JetTableDef.h"

#include <QtEndian>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace db {

namespace {

constexpr uchar compressedMark0 = 0xFF;
constexpr uchar compressedMark1 = 0xFE;
constexpr int numericSize = 17;
constexpr int guidSize = 16;
constexpr int guidTextSize = 38;

constexpr int maxScale = 28;

// Widens `count` bytes to as many UTF-16 code units (a compressed text's
// characters, all below 256), sixteen at a time where SSE2 is there: long
// texts such as certificates are mostly such runs.
void widen(const uchar *from, qsizetype count, char16_t *to)
{
    qsizetype k = 0;
#ifdef __SSE2__
    const __m128i zero = _mm_setzero_si128();
    for (; k + 16 <= count; k += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from + k));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(to + k), _mm_unpacklo_epi8(bytes, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(to + k + 8), _mm_unpackhi_epi8(bytes, zero));
    }
#endif
    for (; k < count; ++k)
        to[k] = from[k];
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
        return Storage::Real;
    case JetColumnType::Numeric:
        return Storage::Decimal;
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
    default: return 0;
    }
}

QByteArray JetValueReader::numericText(const JetColumnDef &column, const JetRow::Field &field)
{
    // A sign byte (0x80: negative), then the magnitude as four
    // little-endian 32-bit words, the most significant first.
    const uchar *p = field.data;
    unsigned __int128 magnitude = 0;
    for (int word = 0; word < 4; ++word)
        magnitude = (magnitude << 32) | qFromLittleEndian<quint32>(p + 1 + 4 * word);
    const bool zero = magnitude == 0;
    char digits[48];
    int count = 0;
    do {
        digits[count++] = char('0' + int(magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    const int scale = std::clamp(column.scale, 0, maxScale);
    while (count <= scale)
        digits[count++] = '0';
    // digits[] holds the number backwards; the fraction is its first
    // `scale` digits, of which the trailing zeros are left out.
    int fractionStart = 0;
    while (fractionStart < scale && digits[fractionStart] == '0')
        ++fractionStart;
    QByteArray text;
    text.reserve(count + 2);
    if ((p[0] & 0x80) && !zero)
        text += '-';
    for (int i = count - 1; i >= scale; --i)
        text += digits[i];
    if (fractionStart < scale) {
        text += '.';
        for (int i = scale - 1; i >= fractionStart; --i)
            text += digits[i];
    }
    return text;
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
            // The run up to the next switch, widened in one loop.
            const auto *zero = static_cast<const uchar *>(std::memchr(p + i, 0, size_t(n - i)));
            const qsizetype run = (zero ? zero - p : n) - i;
            widen(p + i, run, out);
            out += run;
            i += run;
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
