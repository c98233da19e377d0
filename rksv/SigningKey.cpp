#include "SigningKey.h"

#include "Error.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/pem.h>

namespace rksv {

namespace {

constexpr int coordinateSize = 32;

using BioHandle = OpenSslHandle<BIO, BIO_free_all>;

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

bool isP256(EVP_PKEY *key)
{
    char group[32] = {};
    size_t length = 0;
    return key && EVP_PKEY_is_a(key, "EC")
           && EVP_PKEY_get_group_name(key, group, sizeof group, &length) == 1
           && QByteArrayView(group, qsizetype(length)) == "prime256v1";
}

constexpr int derCapacity = 80;

} // namespace

SigningKey SigningKey::generate()
{
    KeyHandle key(EVP_EC_gen("P-256"));
    if (!key)
        throw Error(openSslFailure(QStringLiteral("Kein P-256-Schlüssel erzeugt")));
    return SigningKey(std::move(key));
}

SigningKey SigningKey::fromPem(QByteArrayView pem)
{
    BioHandle bio(BIO_new_mem_buf(pem.data(), int(pem.size())));
    KeyHandle key(bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr) : nullptr);
    if (!isP256(key.get()))
        throw Error(openSslFailure(QStringLiteral("Kein privater P-256-Schlüssel im PEM-Text")));
    return SigningKey(std::move(key));
}

QByteArray SigningKey::toPem() const
{
    BioHandle bio(BIO_new(BIO_s_mem()));
    if (!bio || PEM_write_bio_PrivateKey(bio.get(), m_key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1)
        throw Error(openSslFailure(QStringLiteral("Schlüssel nicht als PEM geschrieben")));
    char *data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return QByteArray(data, qsizetype(size));
}

QByteArray SigningKey::sign(QByteArrayView bytes) const
{
    DigestContextHandle context(EVP_MD_CTX_new());
    unsigned char der[derCapacity + 16];
    size_t derSize = sizeof der;
    if (!context || EVP_DigestSignInit(context.get(), nullptr, EVP_sha256(), nullptr, m_key.get()) != 1
        || EVP_DigestSign(context.get(), der, &derSize, reinterpret_cast<const unsigned char *>(bytes.data()),
                          size_t(bytes.size())) != 1)
        throw Error(openSslFailure(QStringLiteral("ES256-Signatur fehlgeschlagen")));
    const unsigned char *in = der;
    EcdsaSignatureHandle signature(d2i_ECDSA_SIG(nullptr, &in, long(derSize)));
    if (!signature)
        throw Error(openSslFailure(QStringLiteral("ES256-Signatur nicht lesbar")));
    QByteArray raw(2 * coordinateSize, Qt::Uninitialized);
    auto *out = reinterpret_cast<unsigned char *>(raw.data());
    if (BN_bn2binpad(ECDSA_SIG_get0_r(signature.get()), out, coordinateSize) != coordinateSize
        || BN_bn2binpad(ECDSA_SIG_get0_s(signature.get()), out + coordinateSize, coordinateSize) != coordinateSize)
        throw Error(openSslFailure(QStringLiteral("ES256-Signatur zu lang")));
    return raw;
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
    if (!isP256(publicKey))
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
