#pragma once

// Owning handles for OpenSSL objects: each frees its object with the
// library's own function when it goes out of scope.
//
//     X509Handle certificate(d2i_X509(nullptr, &bytes, length));
//     if (!certificate) throw Error(openSslFailure("..."));

#include <QString>

#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <memory>

namespace rksv {

template<typename T, void (*Free)(T *)>
struct OpenSslDeleter
{
    void operator()(T *object) const { Free(object); }
};

inline void freeX509Stack(STACK_OF(X509) *stack)
{
    sk_X509_free(stack); // the certificates stay with their owners
}

template<typename T, void (*Free)(T *)>
using OpenSslHandle = std::unique_ptr<T, OpenSslDeleter<T, Free>>;

using BignumHandle = OpenSslHandle<BIGNUM, BN_free>;
using CipherContextHandle = OpenSslHandle<EVP_CIPHER_CTX, EVP_CIPHER_CTX_free>;
using DigestContextHandle = OpenSslHandle<EVP_MD_CTX, EVP_MD_CTX_free>;
using EcdsaSignatureHandle = OpenSslHandle<ECDSA_SIG, ECDSA_SIG_free>;
using KeyContextHandle = OpenSslHandle<EVP_PKEY_CTX, EVP_PKEY_CTX_free>;
using KeyHandle = OpenSslHandle<EVP_PKEY, EVP_PKEY_free>;
using X509Handle = OpenSslHandle<X509, X509_free>;
using X509StackHandle = OpenSslHandle<STACK_OF(X509), freeX509Stack>;
using X509StoreHandle = OpenSslHandle<X509_STORE, X509_STORE_free>;
using X509StoreContextHandle = OpenSslHandle<X509_STORE_CTX, X509_STORE_CTX_free>;

// The text for a failed OpenSSL call: what failed and the library's oldest
// queued error. Empties the calling thread's error queue.
QString openSslFailure(const QString &what);

} // namespace rksv
