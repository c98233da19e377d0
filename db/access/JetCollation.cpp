#include "JetCollation.h"

#include "Error.h"

#include <QChar>

#include <sqlite3.h>

namespace db {

namespace {

char32_t foldedAt(QStringView text, qsizetype &i)
{
    const char16_t unit = text[i].unicode();
    char32_t codePoint = unit;
    if (QChar::isHighSurrogate(unit) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode())) {
        codePoint = QChar::surrogateToUcs4(unit, text[i + 1].unicode());
        ++i;
    }
    ++i;
    return QChar::toCaseFolded(codePoint);
}

char16_t foldAscii(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? char16_t(c + (u'a' - u'A')) : c;
}

int compareUtf16(void *, int aBytes, const void *a, int bBytes, const void *b)
{
    return JetCollation::compare(QStringView(static_cast<const char16_t *>(a), aBytes / 2),
                                 QStringView(static_cast<const char16_t *>(b), bBytes / 2));
}

} // namespace

int JetCollation::compare(QStringView a, QStringView b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        const char16_t ca = a[i].unicode();
        const char16_t cb = b[j].unicode();
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
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

void JetCollation::registerWith(sqlite3 *db)
{
    if (sqlite3_create_collation_v2(db, name, SQLITE_UTF16LE, nullptr, compareUtf16, nullptr) != SQLITE_OK)
        throw Error(QString::fromUtf8(sqlite3_errmsg(db)));
}

} // namespace db
