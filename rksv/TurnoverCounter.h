#pragma once

// The turnover counter of a receipt: the register's running total in cents
// as a signed big-endian integer (8 bytes when written here, 5 to 16 when
// read), encrypted with AES-256 in counter mode. The initial counter block
// is the first 16 bytes of SHA-256 over the register ID followed by the
// receipt number; the 32-byte key belongs to the register.
//
//     rksv::TurnoverCounter counter(key);
//     std::optional<qint64> total = counter.decrypt("KASSE-1", "17", field);
//
// The cipher is set up with the key once; an object serves one thread.

#include "OpenSslHandles.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace rksv {

class TurnoverCounter
{
public:
    // Throws Error unless the key has 32 bytes.
    explicit TurnoverCounter(QByteArray key);

    // The total a counter field holds; nothing when the field is not base64
    // of 5 to 16 bytes or the total does not fit 64 bits.
    std::optional<qint64> decrypt(QByteArrayView registerId, QByteArrayView receiptNumber,
                                  QByteArrayView field) const;

    static constexpr int keySize = 32;

    // The bytes with the receipt's key stream added: counter mode is its
    // own inverse, so this encrypts and decrypts.
    QByteArray crypt(QByteArrayView registerId, QByteArrayView receiptNumber, QByteArrayView bytes) const;

private:

    CipherContextHandle m_context; // keyed; each receipt sets its counter block
};

} // namespace rksv
