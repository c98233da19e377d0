#pragma once

// The signing side of a cash register: makes its receipts one after the
// other as the regulation wants them, each chained to the one before (the
// first to the register ID), with the running total encrypted in the
// turnover counter and signed with the signature device's key, or marked
// "ausgefallen" while the device is out of order. For sample data, tests
// and benchmarks.
//
//     rksv::RegisterSigner kasse("KASSE-1", aesKey);
//     kasse.useDevice(&key, certificate.serialHex());
//     QByteArray start = kasse.next({"1", "2019-01-01T08:00:00"});          // start receipt
//     QByteArray sale = kasse.next({"2", "2019-01-01T08:05:00", {1250, 0, 0, 0, 0}});

#include "ReceiptPayload.h"
#include "TurnoverCounter.h"

#include <QByteArray>

#include <array>

namespace rksv {

class SigningKey;

class RegisterSigner
{
public:
    enum class Kind { Normal, Training, Cancellation };

    struct Receipt
    {
        QByteArray number;
        QByteArray dateTime; // YYYY-MM-DDThh:mm:ss
        std::array<qint64, 5> sumsInCents{};
        Kind kind = Kind::Normal;
        bool deviceFailed = false; // signature device out of order
    };

    // Throws Error unless the key has 32 bytes.
    RegisterSigner(QByteArray registerId, QByteArray aesKey, QByteArray trustService = "AT1");

    // The device that signs from now on (the key must outlive its use).
    void useDevice(const SigningKey *key, QByteArray certificateSerial);

    // The next receipt as a compact JWS.
    QByteArray next(const Receipt &receipt);

    const QByteArray &registerId() const { return m_registerId; }
    qint64 totalInCents() const { return m_total; }

private:
    QByteArray m_registerId;
    TurnoverCounter m_counter;
    QByteArray m_trustService;
    const SigningKey *m_key = nullptr;
    QByteArray m_serial;
    QByteArray m_previous; // compact JWS of the receipt before; empty before the start receipt
    qint64 m_total = 0;
};

} // namespace rksv
