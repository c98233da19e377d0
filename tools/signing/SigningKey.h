#pragma once

// The signature device's side, for sample data, tests and benchmarks: ECDSA
// keys on curve P-256 and ES256 signatures as receipts carry them: SHA-256
// over the signing input, the signature written as the 64 bytes R || S (32
// bytes each, big-endian), not DER.
//
//     rksv::SigningKey key = rksv::SigningKey::generate();
//     QByteArray signature = key.sign(input);             // 64 bytes
//     bool ok = rksv::verifyEs256(key.key(), input, signature);  // Es256Verifier.h
//     QByteArray receipt = rksv::makeSignedJws(payload.text(), key);

#include "OpenSslHandles.h"

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

// A receipt signed with ES256 over the payload text, in compact JWS form.
QByteArray makeSignedJws(QByteArrayView payloadText, const SigningKey &key);

} // namespace rksv
