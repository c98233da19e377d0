#include "Certificate.h"

#include "Base64.h"
#include "Error.h"

#include <QFile>

#include <openssl/bio.h>
#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>

namespace rksv {

namespace {

using BioHandle = OpenSslHandle<BIO, BIO_free_all>;

QByteArray takeOpenSslString(char *text)
{
    QByteArray out(text ? text : "");
    OPENSSL_free(text);
    return out;
}

BignumHandle serialNumber(X509 *certificate)
{
    return BignumHandle(ASN1_INTEGER_to_BN(X509_get0_serialNumber(certificate), nullptr));
}

bool allOf(QByteArrayView text, bool (*accepts)(char))
{
    for (const char c : text) {
        if (!accepts(c))
            return false;
    }
    return !text.isEmpty();
}

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool isDecimalDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

Certificate Certificate::fromDer(QByteArrayView der)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(der.data());
    X509Handle certificate(d2i_X509(nullptr, &bytes, long(der.size())));
    if (!certificate || bytes != reinterpret_cast<const unsigned char *>(der.data()) + der.size()) {
        ERR_clear_error();
        throw Error(QStringLiteral("kein X.509-Zertifikat"));
    }
    return Certificate(std::move(certificate));
}

Certificate Certificate::fromText(QByteArrayView base64OrPem)
{
    const auto der = Base64::decodeCertificateText(base64OrPem);
    if (!der)
        throw Error(QStringLiteral("kein Base64-Text"));
    return fromDer(*der);
}

std::vector<Certificate> Certificate::fromPemFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("%1 kann nicht gelesen werden: %2").arg(fileName, file.errorString()));
    const QByteArray text = file.readAll();
    BioHandle bio(BIO_new_mem_buf(text.constData(), int(text.size())));
    std::vector<Certificate> certificates;
    while (X509 *certificate = PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr))
        certificates.push_back(Certificate(X509Handle(certificate)));
    ERR_clear_error();
    if (certificates.empty())
        throw Error(QStringLiteral("%1 enthält kein PEM-Zertifikat.").arg(fileName));
    return certificates;
}

QByteArray Certificate::der() const
{
    unsigned char *bytes = nullptr;
    const int size = i2d_X509(m_certificate.get(), &bytes);
    if (size <= 0)
        throw Error(openSslFailure(QStringLiteral("Zertifikat nicht als DER geschrieben")));
    QByteArray out(reinterpret_cast<const char *>(bytes), size);
    OPENSSL_free(bytes);
    return out;
}

QByteArray Certificate::base64() const
{
    return Base64::encode(der());
}

QByteArray Certificate::pem() const
{
    BioHandle bio(BIO_new(BIO_s_mem()));
    if (!bio || PEM_write_bio_X509(bio.get(), m_certificate.get()) != 1)
        throw Error(openSslFailure(QStringLiteral("Zertifikat nicht als PEM geschrieben")));
    char *data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return QByteArray(data, qsizetype(size));
}

QByteArray Certificate::serialHex() const
{
    const BignumHandle serial = serialNumber(m_certificate.get());
    return serial ? takeOpenSslString(BN_bn2hex(serial.get())) : QByteArray();
}

QByteArray Certificate::serialDecimal() const
{
    const BignumHandle serial = serialNumber(m_certificate.get());
    return serial ? takeOpenSslString(BN_bn2dec(serial.get())) : QByteArray();
}

QString Certificate::subject() const
{
    return QString::fromUtf8(takeOpenSslString(X509_NAME_oneline(X509_get_subject_name(m_certificate.get()), nullptr, 0)));
}

EVP_PKEY *Certificate::publicKey() const
{
    return X509_get0_pubkey(m_certificate.get());
}

bool Certificate::matchesSerial(QByteArrayView text) const
{
    const BignumHandle serial = serialNumber(m_certificate.get());
    if (!serial)
        return false;
    const QByteArray digits = text.toByteArray();
    const auto matches = [&](int (*read)(BIGNUM **, const char *)) {
        BIGNUM *number = nullptr;
        const int used = read(&number, digits.constData());
        BignumHandle owner(number);
        return used == digits.size() && BN_cmp(number, serial.get()) == 0;
    };
    return (allOf(text, isHexDigit) && matches(BN_hex2bn)) || (allOf(text, isDecimalDigit) && matches(BN_dec2bn));
}

bool Certificate::isIssuedBy(const Certificate &authority) const
{
    EVP_PKEY *key = authority.publicKey();
    const bool issued = key && X509_check_issued(authority.handle(), m_certificate.get()) == X509_V_OK
                        && X509_verify(m_certificate.get(), key) == 1;
    ERR_clear_error();
    return issued;
}

} // namespace rksv
