#pragma once

#include "CertificateIssuer.h"
#include "RegisterSigner.h"
#include "SigningKey.h"

#include <QByteArray>
#include <QList>
#include <QString>

// Really signed receipts of test registers and the DEP 7 files made of
// them: a test CA, two signature devices with certificates it issued, a
// register's AES key, and a writer of the file's layout (CR LF lines, the
// receipts' groups as given, the texts written as they stand).
struct Dep7Group
{
    QByteArray certificate; // base64 DER
    QList<QByteArray> authorities;
    QList<QByteArray> receipts;
};

class Dep7TestJournal
{
public:
    Dep7TestJournal();

    rksv::SigningKey caKey = rksv::SigningKey::generate();
    rksv::Certificate ca;
    rksv::SigningKey otherCaKey = rksv::SigningKey::generate();
    rksv::Certificate otherCa;
    rksv::SigningKey deviceKey1 = rksv::SigningKey::generate();
    rksv::Certificate device1;
    rksv::SigningKey deviceKey2 = rksv::SigningKey::generate();
    rksv::Certificate device2;
    QByteArray aesKey;

    // A register's life: the start receipt, sales, a training and a
    // cancellation receipt, two receipts while the signature device was out
    // of order and the signed null receipt after them, a month-end null
    // receipt, and from receipt `changeAt` on the second device. Receipt
    // numbers 1 to `count`, one minute apart from 2019-01-31T08:00:00.
    // Returns the groups, one per device.
    QList<Dep7Group> registerLife(const QByteArray &registerId, int count = 40, int changeAt = 25) const;

    // One group of receipts signed by device 1 with the given numbers and
    // date-times (sales of 10,00).
    Dep7Group receipts(rksv::RegisterSigner &signer, const QList<QPair<QByteArray, QByteArray>> &numbersAndTimes) const;

    Dep7Group group(const rksv::Certificate &device, QList<QByteArray> receipts = {}) const;

    // The file's bytes in the layout our export writes.
    static QByteArray file(const QList<Dep7Group> &groups);
    // The file written to `path`.
    static void write(const QString &path, const QList<Dep7Group> &groups);

    // The receipt with one payload field replaced, its signature left as it was.
    static QByteArray withPayloadField(const QByteArray &receipt, int field, const QByteArray &value);
};
