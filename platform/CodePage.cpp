#include "CodePage.h"

#include <array>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// Unicode code points of the bytes 0x80 to 0xFF of Windows-1252. The five
// bytes the code page leaves undefined map to the C1 controls, as Windows does.
constexpr std::array<char16_t, 128> ansiHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,
    0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF,
    0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7,
    0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7,
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF,
    0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,
};

// Code page 850 bytes of the Windows-1252 bytes 0x80 to 0xFF ("?" where 850
// has no such character).
constexpr std::array<unsigned char, 128> ansiHighToOem = {
    0x3F, 0x3F, 0x3F, 0x9F, 0x3F, 0x3F, 0x3F, 0x3F,
    0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F,
    0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F,
    0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F,
    0xFF, 0xAD, 0xBD, 0x9C, 0xCF, 0xBE, 0xDD, 0xF5,
    0xF9, 0xB8, 0xA6, 0xAE, 0xAA, 0xF0, 0xA9, 0xEE,
    0xF8, 0xF1, 0xFD, 0xFC, 0xEF, 0xE6, 0xF4, 0xFA,
    0xF7, 0xFB, 0xA7, 0xAF, 0xAC, 0xAB, 0xF3, 0xA8,
    0xB7, 0xB5, 0xB6, 0xC7, 0x8E, 0x8F, 0x92, 0x80,
    0xD4, 0x90, 0xD2, 0xD3, 0xDE, 0xD6, 0xD7, 0xD8,
    0xD1, 0xA5, 0xE3, 0xE0, 0xE2, 0xE5, 0x99, 0x9E,
    0x9D, 0xEB, 0xE9, 0xEA, 0x9A, 0xED, 0xE8, 0xE1,
    0x85, 0xA0, 0x83, 0xC6, 0x84, 0x86, 0x91, 0x87,
    0x8A, 0x82, 0x88, 0x89, 0x8D, 0xA1, 0x8C, 0x8B,
    0xD0, 0xA4, 0x95, 0xA2, 0x93, 0xE4, 0x94, 0xF6,
    0x9B, 0x97, 0xA3, 0x96, 0x81, 0xEC, 0xE7, 0x98,
};

// The Windows-1252 byte of every UTF-16 code unit ("?" where the code page
// has none, lone surrogates included), made once: a text is converted by
// one look-up per character.
using AnsiTable = std::array<char, 0x10000>;

const AnsiTable &ansiTable()
{
    static const AnsiTable table = [] {
        AnsiTable t;
        t.fill('?');
        for (std::size_t b = 0; b < 0x80; ++b)
            t[b] = static_cast<char>(b);
        for (std::size_t i = 0; i < ansiHigh.size(); ++i)
            t[ansiHigh[i]] = static_cast<char>(0x80 + i);
        return t;
    }();
    return table;
}

} // namespace

namespace CodePage {

void appendAnsi(QByteArray &out, QStringView text)
{
    const AnsiTable &table = ansiTable();
    const qsizetype start = out.size();
    const qsizetype length = text.size();
    out.resize(start + length);
    char *const first = out.data() + start;
    char *dst = first;
    const char16_t *src = text.utf16();
    qsizetype i = 0;
    while (i < length) {
        // Runs of ASCII, the bulk of every file, go sixteen or eight
        // characters at a time.
#ifdef __SSE2__
        if (length - i >= 16) {
            const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src + i));
            const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src + i + 8));
            const __m128i nonAscii = _mm_set1_epi16(short(0xFF80));
            const __m128i masked = _mm_and_si128(_mm_or_si128(low, high), nonAscii);
            if (_mm_movemask_epi8(_mm_cmpeq_epi16(masked, _mm_setzero_si128())) == 0xFFFF) {
                _mm_storeu_si128(reinterpret_cast<__m128i *>(dst), _mm_packus_epi16(low, high));
                dst += 16;
                i += 16;
                continue;
            }
        }
#endif
        if (length - i >= 8) {
            char16_t any = 0;
            for (int k = 0; k < 8; ++k)
                any |= src[i + k];
            if (any < 0x80) {
                for (int k = 0; k < 8; ++k)
                    dst[k] = static_cast<char>(src[i + k]);
                dst += 8;
                i += 8;
                continue;
            }
        }
        const char16_t ch = src[i++];
        if (QChar::isHighSurrogate(ch) && i < length && QChar::isLowSurrogate(src[i]))
            ++i; // one "?" for the pair, which the table gives the high half
        *dst++ = table[ch];
    }
    if (dst - first != length)
        out.truncate(start + (dst - first));
}

QByteArray toAnsi(QStringView text)
{
    QByteArray out;
    appendAnsi(out, text);
    return out;
}

QString fromAnsi(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *dst = text.data();
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *dst++ = QChar(b < 0x80 ? char16_t(b) : ansiHigh[b - 0x80]);
    }
    return text;
}

QByteArray ansiToOem(QByteArrayView ansi)
{
    QByteArray out(ansi.size(), Qt::Uninitialized);
    char *dst = out.data();
    for (const char c : ansi) {
        const auto b = static_cast<unsigned char>(c);
        *dst++ = static_cast<char>(b < 0x80 ? b : ansiHighToOem[b - 0x80]);
    }
    return out;
}

} // namespace CodePage
