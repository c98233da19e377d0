#include "SignatureDevices.h"

#include "Base64.h"
#include "CertificateIssuer.h"
#include "CompactJws.h"
#include "ReceiptPayload.h"
#include "SigningKey.h"
#include "TurnoverCounter.h"

#include <QRandomGenerator>

#include <optional>

namespace {

// Test set-ups name this trust service.
constexpr QByteArrayView testTrustService = "AT100";
// The made-up certificates name one of the real ones.
constexpr QByteArrayView madeUpTrustService = "AT1";

QByteArray systemRandomBytes(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator::system()->generate(reinterpret_cast<quint32 *>(bytes.data()),
                                         reinterpret_cast<quint32 *>(bytes.data() + size));
    return bytes;
}

// The certificates are valid from before the sample's first receipt for
// twenty years, as the cards were when they signed.
const QDateTime validFrom(QDate(2017, 1, 1), QTime(0, 0), Qt::UTC);
constexpr int validDays = 20 * 365;

bool sortsBefore(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseSensitive) < 0 && a.compare(b, Qt::CaseInsensitive) < 0;
}

} // namespace

struct SignatureDevices::Authority
{
    rksv::SigningKey key;
    rksv::Certificate certificate;
};

struct SignatureDevices::Device
{
    std::optional<rksv::SigningKey> key; // real signing only
    QString certificateText;
    QByteArray serial;
};

SignatureDevices::SignatureDevices(Signing signing, quint64 seed)
    : m_signing(signing),
      m_random(seed ^ 0xC0FFEE),
      m_aesKey(signing == Signing::Real ? systemRandomBytes(rksv::TurnoverCounter::keySize)
                                        : m_random.bytes(rksv::TurnoverCounter::keySize))
{
    if (signing == Signing::MadeUp) {
        m_authorityText = QString::fromLatin1(madeUpTrustService);
        return;
    }
    rksv::SigningKey key = rksv::SigningKey::generate();
    rksv::Certificate certificate = rksv::CertificateIssuer::issue({QStringLiteral("DepExport Test-CA"), "01", key.key(),
                                                             nullptr, &key, true, validDays, validFrom});
    m_authorityText = QString::fromLatin1(certificate.base64());
    m_authority = std::make_unique<Authority>(Authority{std::move(key), std::move(certificate)});
}

SignatureDevices::~SignatureDevices() = default;

SignatureDevices::Device SignatureDevices::makeDevice(int number)
{
    const QByteArray serial = m_random.bytes(8).toHex().toUpper();
    if (m_signing == Signing::MadeUp)
        return {std::nullopt, QString::fromLatin1(m_random.bytes(150).toBase64()), serial};
    rksv::SigningKey key = rksv::SigningKey::generate();
    const rksv::Certificate certificate = rksv::CertificateIssuer::issue(
        {QStringLiteral("Signaturkarte %1").arg(number), serial, key.key(), &m_authority->certificate,
         &m_authority->key, false, validDays, validFrom});
    return {std::move(key), QString::fromLatin1(certificate.base64()), certificate.serialHex()};
}

int SignatureDevices::add(int sortsBeforeDevice)
{
    const int number = int(m_devices.size());
    Device device = makeDevice(number);
    // A new key makes a new certificate text: a few tries find one that sorts first.
    while (sortsBeforeDevice >= 0 && !sortsBefore(device.certificateText, certificateText(sortsBeforeDevice)))
        device = makeDevice(number);
    m_devices.push_back(std::move(device));
    return number;
}

const QString &SignatureDevices::certificateText(int device) const
{
    return m_devices.at(size_t(device)).certificateText;
}

const QByteArray &SignatureDevices::serial(int device) const
{
    return m_devices.at(size_t(device)).serial;
}

QByteArrayView SignatureDevices::trustService() const
{
    return m_signing == Signing::Real ? testTrustService : madeUpTrustService;
}

const rksv::SigningKey *SignatureDevices::key(int device) const
{
    const std::optional<rksv::SigningKey> &key = m_devices.at(size_t(device)).key;
    return key ? &*key : nullptr;
}

QByteArray SignatureDevices::madeUpReceipt(int device, QByteArrayView registerId,
                                           const rksv::RegisterSigner::Receipt &receipt)
{
    using Kind = rksv::RegisterSigner::Kind;
    rksv::ReceiptPayload payload;
    payload.trustService = trustService().toByteArray();
    payload.registerId = registerId.toByteArray();
    payload.receiptNumber = receipt.number;
    payload.dateTime = receipt.dateTime;
    payload.sumsInCents = receipt.sumsInCents;
    payload.turnoverCounter = receipt.kind == Kind::Training ? rksv::ReceiptPayload::trainingCounter.toByteArray()
                            : receipt.kind == Kind::Cancellation ? rksv::ReceiptPayload::cancellationCounter.toByteArray()
                                                                 : rksv::Base64::encode(m_random.bytes(8));
    payload.certificateSerial = serial(device);
    payload.chainValue = rksv::Base64::encode(m_random.bytes(8));
    if (receipt.deviceFailed)
        return rksv::CompactJws::makeFailedDevice(payload.text());
    return rksv::CompactJws::es256Header.toByteArray() + '.' + rksv::Base64::encodeUrl(payload.text()) + '.'
        + rksv::Base64::encodeUrl(m_random.bytes(64));
}

QByteArray SignatureDevices::authorityPem() const
{
    return m_authority ? m_authority->certificate.pem() : QByteArray();
}
