// make-dep7-file N OUT.json: writes a DEP 7 file of N really signed receipts
// of one register through the program's own DEP 7 writer: a test CA, two
// signature devices (the second from the middle on), the start receipt,
// sales, training and cancellation receipts, a run of receipts while the
// device was out of order with the signed null receipt after it. Prints the
// register's AES key (base64) and writes the CA certificate to OUT.json.ca.pem.

#include "CertificateIssuer.h"
#include "Dep7Writer.h"
#include "Error.h"
#include "RegisterSigner.h"
#include "SigningKey.h"
#include "Base64.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QRandomGenerator>

#include <cstdio>
#include <exception>

namespace {

void write(const QString &fileName, qint64 count)
{
    using Kind = rksv::RegisterSigner::Kind;
    const rksv::SigningKey caKey = rksv::SigningKey::generate();
    const rksv::Certificate ca = rksv::CertificateIssuer::issue({QStringLiteral("Bench-CA"), "01", caKey.key(), nullptr, &caKey, true});
    const rksv::SigningKey keys[2] = {rksv::SigningKey::generate(), rksv::SigningKey::generate()};
    const rksv::Certificate devices[2] = {
        rksv::CertificateIssuer::issue({QStringLiteral("Gerät 1"), "B0C0DE01", keys[0].key(), &ca, &caKey, false}),
        rksv::CertificateIssuer::issue({QStringLiteral("Gerät 2"), "B0C0DE02", keys[1].key(), &ca, &caKey, false})};
    QByteArray aesKey(32, '\0');
    QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(aesKey.data()), 8);

    rksv::RegisterSigner signer("BENCH-1", aesKey);
    Dep7Writer writer(fileName);
    writer.writeFileOpening();
    const QDateTime start(QDate(2018, 3, 1), QTime(8, 0));
    const QString authority = QString::fromLatin1(ca.base64());
    QByteArray previous; // written one behind, to know whether a comma follows
    int device = -1;
    for (qint64 n = 1; n <= count; ++n) {
        const int wanted = n <= count / 2 ? 0 : 1;
        if (wanted != device) {
            if (!previous.isEmpty()) {
                writer.writeReceipt(QString::fromLatin1(previous), false);
                writer.writeGroupClose();
                writer.writeGroupSeparator();
                previous.clear();
            }
            device = wanted;
            signer.useDevice(&keys[device], devices[device].serialHex());
            writer.writeGroupHeader(QString::fromLatin1(devices[device].base64()), authority);
        }
        rksv::RegisterSigner::Receipt receipt{QByteArray::number(n),
                                              start.addSecs(20 * n).toString(Qt::ISODate).toLatin1()};
        if (n > 1 && n % 1000 != 0) {
            receipt.sumsInCents = {qint64(n % 9973) + 100, qint64(n % 13) * 50, 0, 0, 0};
            receipt.kind = n % 500 == 7 ? Kind::Training : n % 500 == 9 ? Kind::Cancellation : Kind::Normal;
            if (receipt.kind == Kind::Cancellation)
                receipt.sumsInCents[0] = -receipt.sumsInCents[0];
            receipt.deviceFailed = n % 100000 == 998 || n % 100000 == 999;
        }
        if (!previous.isEmpty())
            writer.writeReceipt(QString::fromLatin1(previous), true);
        previous = signer.next(receipt);
    }
    if (!previous.isEmpty())
        writer.writeReceipt(QString::fromLatin1(previous), false);
    writer.writeGroupClose();
    writer.writeFileEnd();
    writer.commit();

    QFile pem(fileName + QStringLiteral(".ca.pem"));
    if (!pem.open(QIODevice::WriteOnly) || pem.write(ca.pem()) < 0)
        throw Error(QStringLiteral("cannot write %1").arg(pem.fileName()));
    std::printf("%s\n", rksv::Base64::encode(aesKey).constData());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    bool ok = false;
    const qint64 count = args.size() == 2 ? args[0].toLongLong(&ok) : 0;
    if (!ok || count < 1) {
        std::fputs("usage: make-dep7-file N OUT.json\n", stderr);
        return 2;
    }
    try {
        write(args[1], count);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "make-dep7-file: %s\n", e.what());
        return 1;
    }
    return 0;
}
