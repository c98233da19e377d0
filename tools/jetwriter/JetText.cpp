#include "JetText.h"

namespace JetText {

namespace {

bool isOneByte(char16_t c)
{
    return c != 0 && c <= 0xFF;
}

// Size of the compressed form, or -1 when the text cannot take it.
qsizetype compressedSize(QStringView text)
{
    qsizetype size = 2;
    bool oneByteMode = true;
    for (QChar qc : text) {
        const char16_t c = qc.unicode();
        if ((c & 0xFF) == 0)
            return -1;
        const bool oneByte = isOneByte(c);
        if (oneByte != oneByteMode) {
            ++size;
            oneByteMode = oneByte;
        }
        size += oneByte ? 1 : 2;
    }
    return size;
}

void appendPlain(QByteArray &out, QStringView text)
{
    const qsizetype start = out.size();
    out.resize(start + 2 * text.size());
    char *p = out.data() + start;
    for (QChar qc : text) {
        const char16_t c = qc.unicode();
        *p++ = char(c & 0xFF);
        *p++ = char(c >> 8);
    }
}

void appendCompressed(QByteArray &out, QStringView text, qsizetype size)
{
    const qsizetype start = out.size();
    out.resize(start + size);
    char *p = out.data() + start;
    *p++ = char(0xFF);
    *p++ = char(0xFE);
    bool oneByteMode = true;
    for (QChar qc : text) {
        const char16_t c = qc.unicode();
        const bool oneByte = isOneByte(c);
        if (oneByte != oneByteMode) {
            *p++ = '\0';
            oneByteMode = oneByte;
        }
        *p++ = char(c & 0xFF);
        if (!oneByte)
            *p++ = char(c >> 8);
    }
    Q_ASSERT(p == out.data() + start + size);
}

} // namespace

void append(QByteArray &out, QStringView text, bool compress)
{
    if (compress) {
        const qsizetype size = compressedSize(text);
        if (size >= 0 && size < 2 * text.size()) {
            appendCompressed(out, text, size);
            return;
        }
    }
    appendPlain(out, text);
}

} // namespace JetText
