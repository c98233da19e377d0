#include "ReceiptChain.h"

#include "Base64.h"
#include "Error.h"
#include "OpenSslHandles.h"

namespace rksv {

namespace {

// The algorithm is looked up once and each thread keeps its context: a
// lookup by name on every call would cost as much as hashing a receipt.
using DigestHandle = OpenSslHandle<EVP_MD, EVP_MD_free>;

const EVP_MD *sha256Algorithm()
{
    static const DigestHandle algorithm(EVP_MD_fetch(nullptr, "SHA256", nullptr));
    return algorithm.get();
}

} // namespace

Sha256Digest sha256(QByteArrayView bytes)
{
    thread_local const DigestContextHandle context(EVP_MD_CTX_new());
    Sha256Digest digest;
    unsigned int size = 0;
    if (!context || EVP_DigestInit_ex2(context.get(), sha256Algorithm(), nullptr) != 1
        || EVP_DigestUpdate(context.get(), bytes.data(), size_t(bytes.size())) != 1
        || EVP_DigestFinal_ex(context.get(), digest.data(), &size) != 1 || size != digest.size())
        throw Error(openSslFailure(QStringLiteral("SHA-256 fehlgeschlagen")));
    return digest;
}

QByteArray chainValue(QByteArrayView previousReceiptOrRegisterId)
{
    const Sha256Digest digest = sha256(previousReceiptOrRegisterId);
    return Base64::encode(QByteArrayView(reinterpret_cast<const char *>(digest.data()), 8));
}

} // namespace rksv
