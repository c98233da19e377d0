#include "Dep7TestJournal.h"

#include "Base64.h"
#include "CompactJws.h"

#include <QDateTime>
#include <QFile>
#include <QRandomGenerator>

Dep7TestJournal::Dep7TestJournal()
    : ca(rksv::CertificateIssuer::issue({QStringLiteral("Test-CA"), "01", caKey.key(), nullptr, &caKey, true})),
      otherCa(rksv::CertificateIssuer::issue({QStringLiteral("Andere CA"), "02", otherCaKey.key(), nullptr, &otherCaKey, true})),
      device1(rksv::CertificateIssuer::issue({QStringLiteral("Kasse Gerät 1"), "5A17C0DE01", deviceKey1.key(), &ca, &caKey, false})),
      device2(rksv::CertificateIssuer::issue({QStringLiteral("Kasse Gerät 2"), "5A17C0DE02", deviceKey2.key(), &ca, &caKey, false}))
{
    aesKey.resize(32);
    QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(aesKey.data()), 8);
}

Dep7Group Dep7TestJournal::group(const rksv::Certificate &device, QList<QByteArray> receipts) const
{
    return {device.base64(), {ca.base64()}, std::move(receipts)};
}

QList<Dep7Group> Dep7TestJournal::registerLife(const QByteArray &registerId, int count, int changeAt) const
{
    using Kind = rksv::RegisterSigner::Kind;
    rksv::RegisterSigner signer(registerId, aesKey);
    signer.useDevice(&deviceKey1, device1.serialHex());
    QList<Dep7Group> groups{group(device1)};
    const QDateTime start(QDate(2019, 1, 31), QTime(8, 0));
    for (int n = 1; n <= count; ++n) {
        if (n == changeAt) {
            signer.useDevice(&deviceKey2, device2.serialHex());
            groups.append(group(device2));
        }
        rksv::RegisterSigner::Receipt receipt{QByteArray::number(n),
                                              start.addSecs(60 * n).toString(Qt::ISODate).toLatin1()};
        if (n == 1 || n == 12 || n == 20) {
            // start receipt, month end, and the signed null receipt after the failure
        } else if (n == 5) {
            receipt.kind = Kind::Training;
            receipt.sumsInCents = {999, 0, 0, 0, 0};
        } else if (n == 7) {
            receipt.kind = Kind::Cancellation;
            receipt.sumsInCents = {-1250, -300, 0, 0, 0};
        } else if (n == 18 || n == 19) {
            receipt.deviceFailed = true;
            receipt.sumsInCents = {500, 0, 0, 0, 0};
        } else {
            receipt.sumsInCents = {100 * n + 5, 250, 99 * (n % 3), 0, n % 4 == 0 ? -50 : 0};
        }
        groups.last().receipts.append(signer.next(receipt));
    }
    return groups;
}

Dep7Group Dep7TestJournal::receipts(rksv::RegisterSigner &signer,
                                    const QList<QPair<QByteArray, QByteArray>> &numbersAndTimes) const
{
    Dep7Group result = group(device1);
    for (const auto &[number, time] : numbersAndTimes)
        result.receipts.append(signer.next({number, time, {1000, 0, 0, 0, 0}}));
    return result;
}

QByteArray Dep7TestJournal::file(const QList<Dep7Group> &groups)
{
    QByteArray out = "{ \"Belege-Gruppe\": [\r\n";
    for (qsizetype g = 0; g < groups.size(); ++g) {
        const Dep7Group &group = groups.at(g);
        if (g > 0)
            out += QByteArray(23, ' ') + "]\r\n      },\r\n";
        out += "     {\r\n      \"Signaturzertifikat\":\"" + group.certificate + "\",\r\n";
        out += "      \"Zertifizierungsstellen\":[\"" + group.authorities.join("\",\"") + "\"],\r\n";
        out += "      \"Belege-kompakt\":[\r\n";
        for (qsizetype r = 0; r < group.receipts.size(); ++r)
            out += QByteArray(23, ' ') + '"' + group.receipts.at(r) + (r + 1 < group.receipts.size() ? "\",\r\n" : "\"\r\n");
    }
    out += QByteArray(23, ' ') + "]\r\n      }\r\n" + QByteArray(19, ' ') + "]\r\n}\r\n";
    return out;
}

void Dep7TestJournal::write(const QString &path, const QList<Dep7Group> &groups)
{
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(file(groups)) < 0)
        qFatal("cannot write %s", qPrintable(path));
}

QByteArray Dep7TestJournal::withPayloadField(const QByteArray &receipt, int field, const QByteArray &value)
{
    const auto jws = rksv::CompactJws::split(receipt);
    QList<QByteArray> fields = rksv::Base64::decodeUrl(jws->payload).value().split('_');
    fields[field] = value;
    return jws->header.toByteArray() + '.' + rksv::Base64::encodeUrl(fields.join('_')) + '.'
           + jws->signature.toByteArray();
}
