#pragma once

// The check of ES256 signatures as receipts carry them: SHA-256 over the
// signing input, the signature written as the 64 bytes R || S (32 bytes
// each, big-endian), not DER, checked against a P-256 public key.
//
//     if (!rksv::verifyEs256(certificate.publicKey(), jws.signingInput(), signature)) ...

#include "OpenSslHandles.h"
#include "ReceiptChain.h"

#include <QByteArrayView>

namespace rksv {

// The key is an EC key on curve P-256 (prime256v1).
bool isP256Key(EVP_PKEY *key);

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
