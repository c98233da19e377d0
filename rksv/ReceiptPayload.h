#pragma once

// The payload of a signed receipt, the machine-readable code without its
// signature:
//
//     _R1-<ZDA>_<register>_<receipt no>_<date-time>_<5 sums>_<counter>_<serial>_<chain value>
//
// parse() reads and checks the text's form; text() writes it. The sums are
// held in cents; the turnover counter, the serial and the chain value as
// the texts they are in the payload.

#include <QByteArray>
#include <QByteArrayView>

#include <array>

namespace rksv {

struct ReceiptPayload
{
    // What the turnover counter field holds.
    enum class CounterKind { Encrypted, Training, Cancellation };

    QByteArray trustService; // "AT1", "AT0", "AT100", ...
    QByteArray registerId;
    QByteArray receiptNumber;
    QByteArray dateTime; // YYYY-MM-DDThh:mm:ss
    std::array<qint64, 5> sumsInCents{}; // normal, reduced 1, reduced 2, zero, special
    QByteArray turnoverCounter; // base64
    QByteArray certificateSerial;
    QByteArray chainValue; // base64 of 8 bytes

    // Throws Error with a German reason when the text is not a payload.
    static ReceiptPayload parse(QByteArrayView text);
    QByteArray text() const;

    CounterKind counterKind() const;
    qint64 totalInCents() const;
    bool isNullReceipt() const;

    // A sum as the payload writes it: "12,50", "-3,00", "0,00".
    static QByteArray formatSum(qint64 cents);

    // The counter field of training and cancellation receipts: base64 of
    // "TRA" and "STO".
    static constexpr QByteArrayView trainingCounter = "VFJB";
    static constexpr QByteArrayView cancellationCounter = "U1RP";
};

} // namespace rksv
