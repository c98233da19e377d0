#pragma once

// Base64 as signed receipts use it: the standard alphabet with padding (turnover
// counter, chain value, certificates) and the URL alphabet without padding
// (the three parts of a compact JWS). The decoders are strict: a text that
// is not exactly such an encoding gives no result.

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace rksv::Base64 {

QByteArray encode(QByteArrayView bytes);
std::optional<QByteArray> decode(QByteArrayView text);

QByteArray encodeUrl(QByteArrayView bytes);
std::optional<QByteArray> decodeUrl(QByteArrayView text);
// The bytes of a base64url text without padding whose last character may
// carry bits beyond the data, which decodeUrl refuses; none for any other
// fault.
std::optional<QByteArray> decodeUrlIgnoringUnusedBits(QByteArrayView text);

// A certificate's text: base64 that may be broken into lines (a PEM body),
// with or without the PEM armour lines. Whitespace is not part of the data.
std::optional<QByteArray> decodeCertificateText(QByteArrayView text);

} // namespace rksv::Base64
