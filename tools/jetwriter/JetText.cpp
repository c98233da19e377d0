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
    for (QChar qc : text) {
        const char16_t c = qc.unicode();
        out.append(char(c & 0xFF));
        out.append(char(c >> 8));
    }
}

void appendCompressed(QByteArray &out, QStringView text)
{
    out.append(char(0xFF));
    out.append(char(0xFE));
    bool oneByteMode = true;
    for (QChar qc : text) {
        const char16_t c = qc.unicode();
        const bool oneByte = isOneByte(c);
        if (oneByte != oneByteMode) {
            out.append('\0');
            oneByteMode = oneByte;
        }
        out.append(char(c & 0xFF));
        if (!oneByte)
            out.append(char(c >> 8));
    }
}

} // namespace

void append(QByteArray &out, QStringView text, bool compress)
{
    if (compress) {
        const qsizetype size = compressedSize(text);
        if (size >= 0 && size < 2 * text.size()) {
            appendCompressed(out, text);
            return;
        }
    }
    appendPlain(out, text);
}

} // namespace JetText
