#include "Es256Verifier.h"

#include "Error.h"

#include <openssl/err.h>

namespace rksv {

namespace {

constexpr int coordinateSize = 32;
constexpr int derCapacity = 80;

// The DER form OpenSSL verifies, from R || S; empty when the signature has
// not 64 bytes.
int rawToDer(QByteArrayView raw, unsigned char *der, int capacity)
{
    if (raw.size() != 2 * coordinateSize)
        return 0;
    const auto *bytes = reinterpret_cast<const unsigned char *>(raw.data());
    EcdsaSignatureHandle signature(ECDSA_SIG_new());
    BIGNUM *r = BN_bin2bn(bytes, coordinateSize, nullptr);
    BIGNUM *s = BN_bin2bn(bytes + coordinateSize, coordinateSize, nullptr);
    if (!signature || !r || !s || ECDSA_SIG_set0(signature.get(), r, s) != 1) {
        BN_free(r);
        BN_free(s);
        return 0;
    }
    if (i2d_ECDSA_SIG(signature.get(), nullptr) > capacity)
        return 0;
    unsigned char *out = der;
    return i2d_ECDSA_SIG(signature.get(), &out);
}

} // namespace

bool isP256Key(EVP_PKEY *key)
{
    char group[32] = {};
    size_t length = 0;
    return key && EVP_PKEY_is_a(key, "EC")
           && EVP_PKEY_get_group_name(key, group, sizeof group, &length) == 1
           && QByteArrayView(group, qsizetype(length)) == "prime256v1";
}

bool verifyEs256(EVP_PKEY *publicKey, QByteArrayView signingInput, QByteArrayView rawSignature)
{
    try {
        return Es256Verifier(publicKey).verify(sha256(signingInput), rawSignature);
    } catch (const Error &) {
        return false;
    }
}

Es256Verifier::Es256Verifier(EVP_PKEY *publicKey)
{
    if (!isP256Key(publicKey))
        throw Error(QStringLiteral("Der Schlüssel des Zertifikats ist kein P-256-Schlüssel"));
    m_context.reset(EVP_PKEY_CTX_new(publicKey, nullptr));
    if (!m_context || EVP_PKEY_verify_init(m_context.get()) != 1)
        throw Error(openSslFailure(QStringLiteral("Signaturprüfung nicht eingerichtet")));
}

bool Es256Verifier::verify(const Sha256Digest &digest, QByteArrayView rawSignature)
{
    unsigned char der[derCapacity];
    const int derSize = rawToDer(rawSignature, der, sizeof der);
    if (derSize <= 0)
        return false;
    const int result = EVP_PKEY_verify(m_context.get(), der, size_t(derSize), digest.data(), digest.size());
    if (result != 1)
        ERR_clear_error();
    return result == 1;
}

} // namespace rksv
