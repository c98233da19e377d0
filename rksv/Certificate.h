#pragma once

// An X.509 certificate of a signature device or of a certification
// authority, as a DEP 7 file carries it (base64 of the DER bytes, possibly
// in PEM lines), with what a receipt check asks of it: the serial number,
// the public key, whether another certificate issued it.
//
//     rksv::Certificate certificate = rksv::Certificate::fromText(group.certificateText);
//     if (!certificate.matchesSerial(payload.certificateSerial)) ...

#include "OpenSslHandles.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>

#include <vector>

namespace rksv {

class Certificate
{
public:
    // Throws Error with a German reason when the bytes are no certificate.
    static Certificate fromDer(QByteArrayView der);
    static Certificate fromText(QByteArrayView base64OrPem);
    // Every certificate of a PEM file; throws Error when there is none.
    static std::vector<Certificate> fromPemFile(const QString &fileName);

    // Takes over a certificate OpenSSL made.
    static Certificate fromHandle(X509Handle certificate) { return Certificate(std::move(certificate)); }

    QByteArray der() const;
    QByteArray base64() const;
    QByteArray pem() const;
    QByteArray serialHex() const;     // upper case, no leading zeros
    QByteArray serialDecimal() const;
    QString subject() const;
    EVP_PKEY *publicKey() const;
    X509 *handle() const { return m_certificate.get(); }

    // The serial as a receipt gives it: hexadecimal (any case) or decimal.
    bool matchesSerial(QByteArrayView text) const;
    // The authority's name and key issued this certificate.
    bool isIssuedBy(const Certificate &authority) const;

private:
    explicit Certificate(X509Handle certificate) : m_certificate(std::move(certificate)) {}

    X509Handle m_certificate;
};

} // namespace rksv
