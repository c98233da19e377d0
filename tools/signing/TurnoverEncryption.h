#pragma once

// The register's side of the turnover counter: the running total in cents
// as a signed big-endian integer of `size` bytes (5 to 16), encrypted with
// the register's key as a receipt carries it (base64).
//
//     rksv::TurnoverCounter counter(key);
//     QByteArray field = rksv::encryptTurnover(counter, "KASSE-1", "17", 123450);

#include "TurnoverCounter.h"

namespace rksv {

// The counter field of a receipt with this total. Throws Error when the
// size lies outside 5 to 16.
QByteArray encryptTurnover(const TurnoverCounter &counter, QByteArrayView registerId, QByteArrayView receiptNumber,
                           qint64 totalInCents, int size = 8);

} // namespace rksv
