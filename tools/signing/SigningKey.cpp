#include "SigningKey.h"

#include "Base64.h"
#include "CompactJws.h"
#include "Error.h"
#include "Es256Verifier.h"

#include <openssl/bio.h>
#include <openssl/pem.h>

namespace rksv {

namespace {

constexpr int coordinateSize = 32;
constexpr int derCapacity = 80;

using BioHandle = OpenSslHandle<BIO, BIO_free_all>;

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
    if (!isP256Key(key.get()))
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

QByteArray makeSignedJws(QByteArrayView payloadText, const SigningKey &key)
{
    QByteArray input = CompactJws::es256Header.toByteArray() + '.' + Base64::encodeUrl(payloadText);
    const QByteArray signature = key.sign(input);
    return input + '.' + Base64::encodeUrl(signature);
}

} // namespace rksv
