#pragma once

// A receipt in compact JWS form: base64url(header) "." base64url(payload)
// "." base64url(signature). split() takes the text apart without copying;
// makeFailedDevice() puts an "ausgefallen" receipt together
// (the signed ones are the signature device's business).
//
//     const auto jws = rksv::CompactJws::split(text);
//     if (jws && jws->hasValidHeader()) verify(jws->signingInput(), ...);

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace rksv {

struct CompactJws
{
    QByteArrayView header;    // base64url, as in the text
    QByteArrayView payload;   // base64url
    QByteArrayView signature; // base64url
    QByteArrayView text;      // the whole receipt

    // The three parts of a text with exactly two dots, or nothing.
    static std::optional<CompactJws> split(QByteArrayView text);

    // "header.payload", the bytes the signature covers.
    QByteArrayView signingInput() const;
    // The header is {"alg":"ES256"} as the regulation writes it.
    bool hasValidHeader() const;
    // The signature part says the signature device was out of order.
    bool isFailedDeviceMarker() const;

    // A receipt made while the signature device was out of order.
    static QByteArray makeFailedDevice(QByteArrayView payloadText);

    // base64url of {"alg":"ES256"}.
    static constexpr QByteArrayView es256Header = "eyJhbGciOiJFUzI1NiJ9";
    // base64url of "Sicherheitseinrichtung ausgefallen".
    static constexpr QByteArrayView failedDeviceSignature = "U2ljaGVyaGVpdHNlaW5yaWNodHVuZyBhdXNnZWZhbGxlbg";
};

} // namespace rksv
