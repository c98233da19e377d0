#include "ReceiptChain.h"

#include "Base64.h"

#include <openssl/sha.h>

namespace rksv {

Sha256Digest sha256(QByteArrayView bytes)
{
    Sha256Digest digest;
    SHA256(reinterpret_cast<const unsigned char *>(bytes.data()), size_t(bytes.size()), digest.data());
    return digest;
}

QByteArray chainValue(QByteArrayView previousReceiptOrRegisterId)
{
    const Sha256Digest digest = sha256(previousReceiptOrRegisterId);
    return Base64::encode(QByteArrayView(reinterpret_cast<const char *>(digest.data()), 8));
}

} // namespace rksv
