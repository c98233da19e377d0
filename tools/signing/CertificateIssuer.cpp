#include "CertificateIssuer.h"

#include "Error.h"
#include "SigningKey.h"

#include <openssl/x509v3.h>

namespace rksv {

namespace {

void addExtension(X509 *certificate, X509V3_CTX *context, int nid, const char *value)
{
    OpenSslHandle<X509_EXTENSION, X509_EXTENSION_free> extension(
        X509V3_EXT_conf_nid(nullptr, context, nid, value));
    if (!extension || X509_add_ext(certificate, extension.get(), -1) != 1)
        throw Error(openSslFailure(QStringLiteral("Zertifikatserweiterung nicht gesetzt")));
}

bool setValidity(X509 *certificate, const CertificateIssuer::IssueRequest &request)
{
    if (!request.validFrom.isValid()) {
        return X509_gmtime_adj(X509_getm_notBefore(certificate), -86400)
            && X509_gmtime_adj(X509_getm_notAfter(certificate), long(request.validDays) * 86400);
    }
    const time_t from = time_t(request.validFrom.toSecsSinceEpoch());
    return ASN1_TIME_set(X509_getm_notBefore(certificate), from)
        && ASN1_TIME_set(X509_getm_notAfter(certificate), from + time_t(request.validDays) * 86400);
}

} // namespace

Certificate CertificateIssuer::issue(const IssueRequest &request)
{
    X509Handle certificate(X509_new());
    BIGNUM *serial = nullptr;
    const QByteArray serialText = request.serialHex;
    if (!certificate || BN_hex2bn(&serial, serialText.constData()) == 0)
        throw Error(openSslFailure(QStringLiteral("Seriennummer nicht gesetzt")));
    BignumHandle serialOwner(serial);
    X509 *x = certificate.get();
    const QByteArray name = request.commonName.toUtf8();
    X509_NAME *subject = X509_get_subject_name(x);
    if (X509_set_version(x, X509_VERSION_3) != 1 || !BN_to_ASN1_INTEGER(serial, X509_get_serialNumber(x))
        || X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_UTF8,
                                      reinterpret_cast<const unsigned char *>(name.constData()), -1, -1, 0) != 1
        || !setValidity(x, request)
        || X509_set_pubkey(x, request.subjectKey) != 1
        || X509_set_issuer_name(x, request.issuer ? X509_get_subject_name(request.issuer->handle()) : subject) != 1)
        throw Error(openSslFailure(QStringLiteral("Zertifikat nicht angelegt")));
    X509V3_CTX context;
    X509V3_set_ctx(&context, request.issuer ? request.issuer->handle() : x, x, nullptr, nullptr, 0);
    addExtension(x, &context, NID_basic_constraints, request.authority ? "critical,CA:TRUE" : "critical,CA:FALSE");
    addExtension(x, &context, NID_key_usage, request.authority ? "critical,keyCertSign,cRLSign" : "critical,digitalSignature");
    addExtension(x, &context, NID_subject_key_identifier, "hash");
    if (request.issuer)
        addExtension(x, &context, NID_authority_key_identifier, "keyid:always");
    if (!request.issuerKey || X509_sign(x, request.issuerKey->key(), EVP_sha256()) <= 0)
        throw Error(openSslFailure(QStringLiteral("Zertifikat nicht signiert")));
    return Certificate::fromHandle(std::move(certificate));
}

} // namespace rksv
