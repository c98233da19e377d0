#include "Base64.h"

namespace rksv::Base64 {

namespace {

// With `canonical`, the text must be the one encoding of its bytes: Qt
// accepts missing padding and stray bits in the last character. Without,
// only the stray bits are let pass.
std::optional<QByteArray> decodeWith(QByteArrayView text, QByteArray::Base64Options options, bool canonical = true)
{
    auto result = QByteArray::fromBase64Encoding(text.toByteArray(), options | QByteArray::AbortOnBase64DecodingErrors);
    if (!result)
        return std::nullopt;
    const QByteArray again = QByteArray(*result).toBase64(options);
    if (canonical ? again != text : again.size() != text.size())
        return std::nullopt;
    return std::move(*result);
}

} // namespace

QByteArray encode(QByteArrayView bytes)
{
    return bytes.toByteArray().toBase64();
}

std::optional<QByteArray> decode(QByteArrayView text)
{
    return decodeWith(text, QByteArray::Base64Encoding);
}

QByteArray encodeUrl(QByteArrayView bytes)
{
    return bytes.toByteArray().toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

std::optional<QByteArray> decodeUrl(QByteArrayView text)
{
    return decodeWith(text, QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

std::optional<QByteArray> decodeUrlIgnoringUnusedBits(QByteArrayView text)
{
    return decodeWith(text, QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals, false);
}

std::optional<QByteArray> decodeCertificateText(QByteArrayView text)
{
    QByteArray body;
    body.reserve(text.size());
    qsizetype lineStart = 0;
    while (lineStart < text.size()) {
        qsizetype lineEnd = text.indexOf('\n', lineStart);
        if (lineEnd < 0)
            lineEnd = text.size();
        const QByteArrayView line = text.sliced(lineStart, lineEnd - lineStart).trimmed();
        if (!line.startsWith("-----")) {
            for (const char c : line) {
                if (c != ' ' && c != '\t' && c != '\r' && c != '\f' && c != '\v')
                    body.append(c);
            }
        }
        lineStart = lineEnd + 1;
    }
    if (body.isEmpty())
        return std::nullopt;
    return decode(body);
}

} // namespace rksv::Base64
