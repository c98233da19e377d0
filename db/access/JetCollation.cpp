#include "JetCollation.h"

#include "Error.h"
#include "SqliteDatabase.h"

#include <QChar>
#include <QtEndian>

#include <algorithm>
#include <cstring>

#include <sqlite3.h>

namespace db {

namespace {

// SQLite hands over texts at any address, so code units are read byte-wise.
struct Utf16Bytes
{
    const char *data;
    qsizetype size; // code units

    char16_t at(qsizetype i) const { return qFromLittleEndian<quint16>(data + 2 * i); }
};

char32_t foldedAt(const Utf16Bytes &text, qsizetype &i)
{
    const char16_t unit = text.at(i);
    char32_t codePoint = unit;
    if (QChar::isHighSurrogate(unit) && i + 1 < text.size && QChar::isLowSurrogate(text.at(i + 1))) {
        codePoint = QChar::surrogateToUcs4(unit, text.at(i + 1));
        ++i;
    }
    ++i;
    return QChar::toCaseFolded(codePoint);
}

char16_t foldAscii(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? char16_t(c + (u'a' - u'A')) : c;
}

// The number of leading code units alike in both texts, not ending
// between the two halves of a surrogate pair. Texts compared by a sort or
// a DISTINCT are often long and alike for most of their length
// (certificates), and units alike to the bit fold alike.
qsizetype commonPrefix(const Utf16Bytes &a, const Utf16Bytes &b)
{
    const qsizetype bytes = 2 * std::min(a.size, b.size);
    qsizetype alike = 0;
    constexpr qsizetype word = sizeof(quint64);
    for (; alike + word <= bytes; alike += word) {
        quint64 x;
        quint64 y;
        std::memcpy(&x, a.data + alike, word);
        std::memcpy(&y, b.data + alike, word);
        if (x != y)
            break;
    }
    while (alike < bytes && a.data[alike] == b.data[alike])
        ++alike;
    qsizetype units = alike / 2;
    if (units > 0 && QChar::isHighSurrogate(a.at(units - 1)))
        --units;
    return units;
}

int compareUnits(const Utf16Bytes &a, const Utf16Bytes &b)
{
    qsizetype i = commonPrefix(a, b);
    qsizetype j = i;
    while (i < a.size && j < b.size) {
        const char16_t ca = a.at(i);
        const char16_t cb = b.at(j);
        if (ca < 0x80 && cb < 0x80) {
            const char16_t fa = foldAscii(ca);
            const char16_t fb = foldAscii(cb);
            if (fa != fb)
                return fa < fb ? -1 : 1;
            ++i;
            ++j;
            continue;
        }
        const char32_t fa = foldedAt(a, i);
        const char32_t fb = foldedAt(b, j);
        if (fa != fb)
            return fa < fb ? -1 : 1;
    }
    if (i < a.size)
        return 1;
    if (j < b.size)
        return -1;
    return 0;
}

int compareUtf16(void *, int aBytes, const void *a, int bBytes, const void *b)
{
    // Alike texts are the common case of a DISTINCT.
    if (aBytes == bBytes && std::memcmp(a, b, size_t(aBytes)) == 0)
        return 0;
    return compareUnits({static_cast<const char *>(a), aBytes / 2}, {static_cast<const char *>(b), bBytes / 2});
}

} // namespace

int JetCollation::compare(QStringView a, QStringView b)
{
    return compareUnits({reinterpret_cast<const char *>(a.utf16()), a.size()},
                        {reinterpret_cast<const char *>(b.utf16()), b.size()});
}

void JetCollation::registerWith(sqlite3 *db)
{
    if (sqlite3_create_collation_v2(db, name, SQLITE_UTF16LE, nullptr, compareUtf16, nullptr) != SQLITE_OK)
        throw Error(SqliteDatabase::errorMessage(db));
}

} // namespace db
