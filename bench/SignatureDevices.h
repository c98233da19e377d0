#pragma once

#include "RegisterSigner.h"
#include "SeededRandom.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <deque>
#include <memory>

// The signature devices of a made-up register database and what goes with
// them: the registers' AES key for the turnover counters and, when signing
// for real, a test CA made at construction that issues each device's
// certificate (ECDSA P-256), so the receipts that rksv::RegisterSigner makes
// with a device's key carry ES256 signatures any checker accepts.
//
// Without real signing (the large benchmark databases, which must stay
// fast and below Jet's 2 GB) a device has a short made-up certificate text
// and no key; its receipts have the payload's form with random counters,
// chain values and signatures.
//
//     SignatureDevices devices(SignatureDevices::Signing::Real, seed);
//     const int device = devices.add();
//     rksv::RegisterSigner signer("KASSE-1", devices.aesKey(), devices.trustService().toByteArray());
//     signer.useDevice(devices.key(device), devices.serial(device));
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

    // The device's key; nullptr without real signing.
    const rksv::SigningKey *key(int device) const;
    // A receipt of the device without real signing: the payload's form,
    // random bytes for counter, chain value and signature.
    QByteArray madeUpReceipt(int device, QByteArrayView registerId, const rksv::RegisterSigner::Receipt &receipt);

    // The registers' AES key, and in base64; the CA's certificate as PEM
    // (empty without real signing): the files a checker needs.
    const QByteArray &aesKey() const { return m_aesKey; }
    QByteArray aesKeyBase64() const { return m_aesKey.toBase64(); }
    QByteArray authorityPem() const;

private:
    struct Device;
    struct Authority;

    Device makeDevice(int number);

    Signing m_signing;
    SeededRandom m_random;
    QByteArray m_aesKey;
    std::unique_ptr<Authority> m_authority;
    QString m_authorityText;
    std::deque<Device> m_devices; // keys stay where they are while devices are added
};
