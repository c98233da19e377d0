#include "TurnoverEncryption.h"

#include "Base64.h"
#include "Error.h"

namespace rksv {

QByteArray encryptTurnover(const TurnoverCounter &counter, QByteArrayView registerId, QByteArrayView receiptNumber,
                           qint64 totalInCents, int size)
{
    if (size < 5 || size > 16)
        throw Error(QStringLiteral("Ein Umsatzzähler hat 5 bis 16 Bytes, nicht %1.").arg(size));
    QByteArray plain(size, totalInCents < 0 ? char(0xff) : char(0));
    quint64 bits = quint64(totalInCents);
    for (int i = 0; i < 8 && i < size; ++i, bits >>= 8)
        plain[size - 1 - i] = char(bits & 0xff);
    return Base64::encode(counter.crypt(registerId, receiptNumber, plain));
}

} // namespace rksv
