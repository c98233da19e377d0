#pragma once

#include "SeededRandom.h"
#include "TurnoverCounter.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>
#include <vector>

// The signature devices of a made-up register database and what goes with
// them: the registers' AES key for the turnover counters and, when signing
// for real, a test CA made at construction that issues each device's
// certificate (ECDSA P-256), so the receipts carry ES256 signatures any
// checker accepts.
//
// Without real signing (the large benchmark databases, which must stay
// fast and below Jet's 2 GB) a device has a short made-up certificate text
// and signs with random bytes; everything else, chain and counters, is
// computed as for real.
//
//     SignatureDevices devices(SignatureDevices::Signing::Real, seed);
//     const int device = devices.add();
//     QByteArray receipt = devices.sign(device, payload.text());
class SignatureDevices
{
public:
    enum class Signing { Real, MadeUp };

    SignatureDevices(Signing signing, quint64 seed);
    ~SignatureDevices();
    SignatureDevices(const SignatureDevices &) = delete;
    SignatureDevices &operator=(const SignatureDevices &) = delete;

    bool signsForReal() const { return m_signing == Signing::Real; }

    // A new device; returns its number. With `sortsBefore` the device's
    // certificate text sorts before that device's, with and without regard
    // to case, as a replacement card does that the database lists first.
    int add(int sortsBefore = -1);

    // The device's certificate as the register stores it (base64 of the
    // DER bytes), and that of the certification authority.
    const QString &certificateText(int device) const;
    const QString &authorityText() const { return m_authorityText; }
    // The certificate serial as receipts give it.
    const QByteArray &serial(int device) const;
    // The trust service that the payloads name.
    QByteArrayView trustService() const;

    // The compact JWS of a payload, signed by the device.
    QByteArray sign(int device, QByteArrayView payloadText);

    const rksv::TurnoverCounter &turnoverCounter() const { return m_counter; }
    // The AES key in base64, and the CA's certificate as PEM (empty
    // without real signing): the files a checker needs.
    QByteArray aesKeyBase64() const { return m_aesKey.toBase64(); }
    QByteArray authorityPem() const;

private:
    struct Device;
    struct Authority;

    Device makeDevice(int number);

    Signing m_signing;
    SeededRandom m_random;
    QByteArray m_aesKey;
    rksv::TurnoverCounter m_counter;
    std::unique_ptr<Authority> m_authority;
    QString m_authorityText;
    std::vector<Device> m_devices;
};
