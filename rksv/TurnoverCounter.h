#pragma once

// The turnover counter of a receipt: the register's running total in cents
// as a signed big-endian integer (8 bytes when written here, 5 to 16 when
// read), encrypted with AES-256 in counter mode. The initial counter block
// is the first 16 bytes of SHA-256 over the register ID followed by the
// receipt number; the 32-byte key belongs to the register.
//
//     rksv::TurnoverCounter counter(key);
//     QByteArray field = counter.encrypt("KASSE-1", "17", 123450);
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

    // The counter field (base64) of a receipt with this total.
    QByteArray encrypt(QByteArrayView registerId, QByteArrayView receiptNumber, qint64 totalInCents,
                       int size = 8) const;
    // The total a counter field holds; nothing when the field is not base64
    // of 5 to 16 bytes or the total does not fit 64 bits.
    std::optional<qint64> decrypt(QByteArrayView registerId, QByteArrayView receiptNumber,
                                  QByteArrayView field) const;

    static constexpr int keySize = 32;

private:
    QByteArray crypt(QByteArrayView registerId, QByteArrayView receiptNumber, QByteArrayView bytes) const;

    CipherContextHandle m_context; // keyed; each receipt sets its counter block
};

} // namespace rksv
