#pragma once

// Makes X.509 certificates as a certification authority issues them to
// signature devices (and to itself), for sample data, tests and benchmarks.
//
//     rksv::SigningKey caKey = rksv::SigningKey::generate();
//     rksv::Certificate ca = rksv::CertificateIssuer::issue({"Test-CA", "1", caKey.key(), nullptr, &caKey, true});

#include "Certificate.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace rksv {

class SigningKey;

class CertificateIssuer
{
public:
    // What issue() needs.
    struct IssueRequest
    {
        QString commonName;
        QByteArray serialHex; // e.g. "1A2B3C"
        EVP_PKEY *subjectKey = nullptr;
        const Certificate *issuer = nullptr; // nullptr: self-signed
        const SigningKey *issuerKey = nullptr; // the subject's own key when self-signed
        bool authority = false; // CA: may issue certificates
        int validDays = 3650;
        QDateTime validFrom = {}; // invalid: from a day before now
    };
    // The certificate, signed with the issuer's key. Throws Error.
    static Certificate issue(const IssueRequest &request);
};

} // namespace rksv
