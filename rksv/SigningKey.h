#pragma once

// ECDSA keys on curve P-256 and ES256 signatures as receipts carry them:
// SHA-256 over the signing input, the signature written as the 64 bytes
// R || S (32 bytes each, big-endian), not DER.
//
//     rksv::SigningKey key = rksv::SigningKey::generate();
//     QByteArray signature = key.sign(input);             // 64 bytes
//     bool ok = rksv::verifyEs256(key.key(), input, signature);

#include "OpenSslHandles.h"
#include "ReceiptChain.h"

#include <QByteArray>
#include <QByteArrayView>

namespace rksv {

class SigningKey
{
public:
    // A new random P-256 key.
    static SigningKey generate();
    // A private key in PEM form; throws Error.
    static SigningKey fromPem(QByteArrayView pem);

    QByteArray toPem() const;
    // The key (private and public part), for certificates and checks.
    EVP_PKEY *key() const { return m_key.get(); }

    // The raw R || S signature over the bytes. Throws Error.
    QByteArray sign(QByteArrayView bytes) const;

private:
    explicit SigningKey(KeyHandle key) : m_key(std::move(key)) {}

    KeyHandle m_key;
};

// The ES256 signature check of one receipt.
bool verifyEs256(EVP_PKEY *publicKey, QByteArrayView signingInput, QByteArrayView rawSignature);

// The same check over a SHA-256 digest already made, with the key's
// context set up once: for checking many receipts of one certificate. One
// object per thread.
class Es256Verifier
{
public:
    // Throws Error when the key is no P-256 key.
    explicit Es256Verifier(EVP_PKEY *publicKey);

    bool verify(const Sha256Digest &digest, QByteArrayView rawSignature);

private:
    KeyContextHandle m_context;
};

} // namespace rksv
