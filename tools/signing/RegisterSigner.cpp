#include "RegisterSigner.h"

#include "CompactJws.h"
#include "Error.h"
#include "ReceiptChain.h"
#include "SigningKey.h"
#include "TurnoverEncryption.h"

namespace rksv {

RegisterSigner::RegisterSigner(QByteArray registerId, QByteArray aesKey, QByteArray trustService)
    : m_registerId(std::move(registerId)), m_counter(std::move(aesKey)), m_trustService(std::move(trustService))
{}

void RegisterSigner::useDevice(const SigningKey *key, QByteArray certificateSerial)
{
    m_key = key;
    m_serial = std::move(certificateSerial);
}

QByteArray RegisterSigner::next(const Receipt &receipt)
{
    ReceiptPayload payload;
    payload.trustService = m_trustService;
    payload.registerId = m_registerId;
    payload.receiptNumber = receipt.number;
    payload.dateTime = receipt.dateTime;
    payload.sumsInCents = receipt.sumsInCents;
    switch (receipt.kind) {
    case Kind::Training:
        payload.turnoverCounter = ReceiptPayload::trainingCounter.toByteArray();
        break;
    case Kind::Cancellation:
        m_total += payload.totalInCents();
        payload.turnoverCounter = ReceiptPayload::cancellationCounter.toByteArray();
        break;
    case Kind::Normal:
        m_total += payload.totalInCents();
        payload.turnoverCounter = encryptTurnover(m_counter, m_registerId, receipt.number, m_total);
        break;
    }
    payload.certificateSerial = m_serial;
    payload.chainValue = chainValue(m_previous.isEmpty() ? QByteArrayView(m_registerId) : QByteArrayView(m_previous));
    if (!receipt.deviceFailed && !m_key)
        throw Error(QStringLiteral("Die Kasse %1 hat keine Signatureinrichtung.").arg(QString::fromUtf8(m_registerId)));
    m_previous = receipt.deviceFailed ? CompactJws::makeFailedDevice(payload.text())
                                      : makeSignedJws(payload.text(), *m_key);
    return m_previous;
}

} // namespace rksv
