#pragma once

// The chain of a register's receipts: each receipt carries the first 8
// bytes of SHA-256 over the complete compact JWS of the register's
// previous receipt, in base64; the start receipt those of SHA-256 over the
// register ID.

#include <QByteArray>
#include <QByteArrayView>

#include <array>

namespace rksv {

using Sha256Digest = std::array<unsigned char, 32>;

Sha256Digest sha256(QByteArrayView bytes);

// The chain value, base64 of 8 bytes, that follows the receipt whose
// compact JWS is given (or, for the start receipt, the register ID).
QByteArray chainValue(QByteArrayView previousReceiptOrRegisterId);

} // namespace rksv
