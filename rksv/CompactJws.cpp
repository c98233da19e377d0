#include "CompactJws.h"

#include "Base64.h"

namespace rksv {

std::optional<CompactJws> CompactJws::split(QByteArrayView text)
{
    const qsizetype first = text.indexOf('.');
    if (first < 0)
        return std::nullopt;
    const qsizetype second = text.indexOf('.', first + 1);
    if (second < 0 || text.indexOf('.', second + 1) >= 0)
        return std::nullopt;
    return CompactJws{text.first(first), text.sliced(first + 1, second - first - 1), text.sliced(second + 1), text};
}

QByteArrayView CompactJws::signingInput() const
{
    return text.first(header.size() + 1 + payload.size());
}

bool CompactJws::hasValidHeader() const
{
    if (header == es256Header)
        return true;
    // Another spelling of the same JSON object is still the ES256 header.
    const auto json = Base64::decodeUrl(header);
    if (!json)
        return false;
    QByteArray compact;
    for (const char c : *json) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            compact.append(c);
    }
    return compact == "{\"alg\":\"ES256\"}";
}

bool CompactJws::isFailedDeviceMarker() const
{
    return signature == failedDeviceSignature;
}

QByteArray CompactJws::makeFailedDevice(QByteArrayView payloadText)
{
    return es256Header.toByteArray() + '.' + Base64::encodeUrl(payloadText) + '.' + failedDeviceSignature.toByteArray();
}

} // namespace rksv
