#include "Base64.h"
#include "CertificateIssuer.h"
#include "CompactJws.h"
#include "Error.h"
#include "Es256Verifier.h"
#include "ReceiptChain.h"
#include "ReceiptPayload.h"
#include "SigningKey.h"
#include "TurnoverCounter.h"
#include "TurnoverEncryption.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The receipt primitives. Where the openssl command can do the same work
// (AES-256-CTR, ECDSA over SHA-256, X.509 chains) it is the second
// implementation the results are compared with.
class TestReceiptPrimitives : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const QString &name) const { return m_dir.filePath(name); }

    void writeFile(const QString &name, const QByteArray &bytes) const
    {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
    }

    // Runs openssl; returns its standard output, fails the test on an exit code.
    QByteArray openssl(const QStringList &arguments, const QByteArray &input = {}, int *exitCode = nullptr) const
    {
        QProcess process;
        process.start(QStringLiteral("openssl"), arguments);
        process.write(input);
        process.closeWriteChannel();
        process.waitForFinished(30000);
        if (exitCode)
            *exitCode = process.exitCode();
        else if (process.exitCode() != 0)
            qWarning() << process.readAllStandardError();
        return process.readAllStandardOutput();
    }

    static QByteArray derSignature(const QByteArray &raw)
    {
        // R || S as the DER SEQUENCE of two INTEGERs that openssl dgst reads.
        const auto integer = [](QByteArray value) {
            while (value.size() > 1 && value.at(0) == 0 && !(value.at(1) & 0x80))
                value.remove(0, 1);
            if (value.at(0) & 0x80)
                value.prepend('\0');
            return QByteArray(1, 0x02) + char(value.size()) + value;
        };
        const QByteArray body = integer(raw.first(32)) + integer(raw.sliced(32));
        return QByteArray(1, 0x30) + char(body.size()) + body;
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void base64Forms()
    {
        QCOMPARE(rksv::Base64::encodeUrl("{\"alg\":\"ES256\"}"), rksv::CompactJws::es256Header.toByteArray());
        QCOMPARE(rksv::Base64::decodeUrl(rksv::CompactJws::failedDeviceSignature).value(),
                 QByteArray("Sicherheitseinrichtung ausgefallen"));
        QCOMPARE(rksv::Base64::decode("VFJB").value(), QByteArray("TRA"));
        QCOMPARE(rksv::Base64::encode(QByteArray("\xfb\xff", 2)), QByteArray("+/8="));
        QCOMPARE(rksv::Base64::encodeUrl(QByteArray("\xfb\xff", 2)), QByteArray("-_8"));
        // One form only: no missing padding, no other alphabet, no stray bits.
        QVERIFY(!rksv::Base64::decode("+/8"));
        QVERIFY(!rksv::Base64::decode("-_8="));
        QVERIFY(!rksv::Base64::decode("+/9="));
        QVERIFY(!rksv::Base64::decodeUrl("-_8="));
        QVERIFY(!rksv::Base64::decodeUrl("+/8"));
        QVERIFY(!rksv::Base64::decode("VF JB"));
        // A certificate text may come in PEM lines, with or without armour.
        QCOMPARE(rksv::Base64::decodeCertificateText("VFJB\r\nU1RP\r\n").value(), QByteArray("TRASTO"));
        QCOMPARE(rksv::Base64::decodeCertificateText("-----BEGIN X-----\nVFJB\n-----END X-----\n").value(),
                 QByteArray("TRA"));
    }

    void compactJwsParts()
    {
        const auto jws = rksv::CompactJws::split("aGk.cGF5.c2ln");
        QVERIFY(jws);
        QCOMPARE(jws->header, QByteArrayView("aGk"));
        QCOMPARE(jws->payload, QByteArrayView("cGF5"));
        QCOMPARE(jws->signature, QByteArrayView("c2ln"));
        QCOMPARE(jws->signingInput(), QByteArrayView("aGk.cGF5"));
        QVERIFY(!jws->hasValidHeader());
        QVERIFY(!rksv::CompactJws::split("a.b"));
        QVERIFY(!rksv::CompactJws::split("a.b.c.d"));
        const QByteArray failed = rksv::CompactJws::makeFailedDevice("_R1-AT0_K_1");
        QVERIFY(rksv::CompactJws::split(failed)->isFailedDeviceMarker());
        QVERIFY(rksv::CompactJws::split(failed)->hasValidHeader());
        // The same header object with blanks.
        const QByteArray spaced = rksv::Base64::encodeUrl("{ \"alg\": \"ES256\" }") + ".cGF5.c2ln";
        QVERIFY(rksv::CompactJws::split(spaced)->hasValidHeader());
        const QByteArray other = rksv::Base64::encodeUrl("{\"alg\":\"ES384\"}") + ".cGF5.c2ln";
        QVERIFY(!rksv::CompactJws::split(other)->hasValidHeader());
    }

    void payloadReadAndWritten()
    {
        const QByteArray text = "_R1-AT1_KASSE-1_4711_2019-02-28T17:05:09_12,50_-3,00_0,00_1234567,89_0,05_"
                                "VFJB_1a2B3c_ungWv48Bz+o=";
        const rksv::ReceiptPayload payload = rksv::ReceiptPayload::parse(text);
        QCOMPARE(payload.trustService, QByteArray("AT1"));
        QCOMPARE(payload.registerId, QByteArray("KASSE-1"));
        QCOMPARE(payload.receiptNumber, QByteArray("4711"));
        QCOMPARE(payload.dateTime, QByteArray("2019-02-28T17:05:09"));
        QCOMPARE(payload.sumsInCents, (std::array<qint64, 5>{1250, -300, 0, 123456789, 5}));
        QCOMPARE(payload.totalInCents(), 123457744);
        QVERIFY(payload.counterKind() == rksv::ReceiptPayload::CounterKind::Training);
        QCOMPARE(payload.certificateSerial, QByteArray("1a2B3c"));
        QCOMPARE(payload.text(), text);
        QVERIFY(!payload.isNullReceipt());

        const char *const broken[] = {
            "R1-AT1_K_1_2019-02-28T17:05:09_0,00_0,00_0,00_0,00_0,00_VFJB_1_ungWv48Bz+o=",      // no leading _
            "_R1-AT1_K_1_2019-02-28T17:05:09_0,00_0,00_0,00_0,00_VFJB_1_ungWv48Bz+o=",           // 11 fields
            "_R1-AT1_K_1_2019-02-28T17:05:09_0,00_0,00_0,00_0,00_0,00_VFJB_1_ungWv48Bz+o=_x",    // 13 fields
            "_R2-AT1_K_1_2019-02-28T17:05:09_0,00_0,00_0,00_0,00_0,00_VFJB_1_ungWv48Bz+o=",      // suite
            "_R1-XY1_K_1_2019-02-28T17:05:09_0,00_0,00_0,00_0,00_0,00_VFJB_1_ungWv48Bz+o=",      // trust service
            "_R1-AT1_K_1_2019-02-30T17:05:09_0,00_0,00_0,00_0,00_0,00_VFJB_1_ungWv48Bz+o=",      // 30 February
            "_R1-AT1_K_1_2019-02-28 17:05:09_0,00_0,00_0,00_0,00_0,00_VFJB_1_ungWv48Bz+o=",      // blank for T
            "_R1-AT1_K_1_2019-02-28T17:05:09_0.00_0,00_0,00_0,00_0,00_VFJB_1_ungWv48Bz+o=",      // decimal point
            "_R1-AT1_K_1_2019-02-28T17:05:09_0,0_0,00_0,00_0,00_0,00_VFJB_1_ungWv48Bz+o=",       // one decimal
            "_R1-AT1_K_1_2019-02-28T17:05:09_,00_0,00_0,00_0,00_0,00_VFJB_1_ungWv48Bz+o=",       // no units
            "_R1-AT1_K_1_2019-02-28T17:05:09_0,00_0,00_0,00_0,00_0,00_AAAA_1_ungWv48Bz+o=",      // 3-byte counter
            "_R1-AT1_K_1_2019-02-28T17:05:09_0,00_0,00_0,00_0,00_0,00_VFJB_1_unhMv48Bz+o",       // chain unpadded
            "_R1-AT1_K_1_2019-02-28T17:05:09_0,00_0,00_0,00_0,00_0,00_VFJB_1_ungWv48Bz+rr",      // chain 9 bytes
            "_R1-AT1__1_2019-02-28T17:05:09_0,00_0,00_0,00_0,00_0,00_VFJB_1_ungWv48Bz+o=",       // no register
        };
        for (const char *text : broken)
            QVERIFY_THROWS_EXCEPTION(Error, rksv::ReceiptPayload::parse(text));

        QCOMPARE(rksv::ReceiptPayload::formatSum(0), QByteArray("0,00"));
        QCOMPARE(rksv::ReceiptPayload::formatSum(-5), QByteArray("-0,05"));
        QCOMPARE(rksv::ReceiptPayload::formatSum(-123456), QByteArray("-1234,56"));
    }

    void chainValue()
    {
        // SHA-256("abc") begins ba7816bf8f01cfea.
        QCOMPARE(rksv::chainValue("abc"), QByteArray("ungWv48Bz+o="));
        QCOMPARE(rksv::chainValue("KASSE-1"),
                 rksv::Base64::encode(openssl({"dgst", "-sha256", "-binary"}, "KASSE-1").first(8)));
    }

    void turnoverCounterAgainstOpenssl()
    {
        const QByteArray key = QByteArray::fromHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");
        const rksv::TurnoverCounter counter(key);
        const QByteArray iv = openssl({"dgst", "-sha256", "-binary"}, "KASSE-1" "4711").first(16);
        for (const qint64 total : {qint64(0), qint64(123456789), qint64(-250), qint64(1) << 40}) {
            const QByteArray field = rksv::encryptTurnover(counter, "KASSE-1", "4711", total);
            const QByteArray plain = openssl({"enc", "-d", "-aes-256-ctr", "-K", key.toHex(), "-iv", iv.toHex()},
                                             rksv::Base64::decode(field).value());
            QCOMPARE(plain.size(), 8);
            qint64 value = 0;
            for (const char byte : plain)
                value = (value << 8) | quint8(byte);
            QCOMPARE(value, total);
            QCOMPARE(counter.decrypt("KASSE-1", "4711", field), total);
            // Another receipt number gives another key stream.
            QVERIFY(counter.decrypt("KASSE-1", "4712", field) != total);
        }
        // 5 and 16 bytes read as the same signed number.
        QCOMPARE(counter.decrypt("K", "1", rksv::encryptTurnover(counter, "K", "1", -7, 5)), -7);
        QCOMPARE(counter.decrypt("K", "1", rksv::encryptTurnover(counter, "K", "1", 99, 16)), 99);
        // More than 64 bits of total: no value rather than a wrong one.
        const QByteArray wide = openssl({"enc", "-aes-256-ctr", "-K", key.toHex(), "-iv",
                                         openssl({"dgst", "-sha256", "-binary"}, "K1").first(16).toHex()},
                                        QByteArray::fromHex("00000000000000010000000000000000"));
        QVERIFY(!counter.decrypt("K", "1", rksv::Base64::encode(wide)));
        QVERIFY(!counter.decrypt("K", "1", "VFJB"));
        QVERIFY_THROWS_EXCEPTION(Error, rksv::TurnoverCounter(QByteArray(16, 'x')));
    }

    void signaturesAgainstOpenssl()
    {
        const rksv::SigningKey key = rksv::SigningKey::generate();
        writeFile(QStringLiteral("key.pem"), key.toPem());
        const QByteArray publicPem = openssl({"pkey", "-in", path("key.pem"), "-pubout"});
        writeFile(QStringLiteral("public.pem"), publicPem);

        // Ours signs, openssl verifies.
        const QByteArray receipt = rksv::makeSignedJws("_R1-AT1_K_1", key);
        const auto jws = rksv::CompactJws::split(receipt);
        const QByteArray signature = rksv::Base64::decodeUrl(jws->signature).value();
        QCOMPARE(signature.size(), 64);
        writeFile(QStringLiteral("input"), jws->signingInput().toByteArray());
        writeFile(QStringLiteral("signature.der"), derSignature(signature));
        int exitCode = -1;
        openssl({"dgst", "-sha256", "-verify", path("public.pem"), "-signature", path("signature.der"), path("input")},
                {}, &exitCode);
        QCOMPARE(exitCode, 0);

        // openssl signs, ours verifies the R || S form of it.
        const QByteArray der = openssl({"dgst", "-sha256", "-sign", path("key.pem")}, "eyJ.payload");
        const auto integerAt = [&](int offset, int *next) {
            const int length = der.at(offset + 1);
            *next = offset + 2 + length;
            QByteArray value = der.sliced(offset + 2, length);
            while (value.size() > 32)
                value.remove(0, 1);
            return QByteArray(32 - value.size(), '\0') + value;
        };
        int afterR = 0, afterS = 0;
        const QByteArray raw = integerAt(2, &afterR) + integerAt(afterR, &afterS);
        QVERIFY(rksv::verifyEs256(key.key(), "eyJ.payload", raw));
        QVERIFY(!rksv::verifyEs256(key.key(), "eyJ.payloaD", raw));
        QByteArray flipped = raw;
        flipped[40] = char(flipped[40] ^ 1);
        QVERIFY(!rksv::verifyEs256(key.key(), "eyJ.payload", flipped));
        QVERIFY(!rksv::verifyEs256(key.key(), "eyJ.payload", raw.first(63)));
        QVERIFY(!rksv::verifyEs256(rksv::SigningKey::generate().key(), "eyJ.payload", raw));

        // A key read back from PEM signs for the same public key.
        const rksv::SigningKey again = rksv::SigningKey::fromPem(key.toPem());
        QVERIFY(rksv::verifyEs256(key.key(), "x", again.sign("x")));
    }

    void certificatesAgainstOpenssl()
    {
        const rksv::SigningKey caKey = rksv::SigningKey::generate();
        const rksv::Certificate ca = rksv::CertificateIssuer::issue(
            {QStringLiteral("Test-CA"), "01", caKey.key(), nullptr, &caKey, true});
        const rksv::SigningKey deviceKey = rksv::SigningKey::generate();
        const rksv::Certificate device = rksv::CertificateIssuer::issue(
            {QStringLiteral("Kasse 1"), "0A1B2C3D4E", deviceKey.key(), &ca, &caKey, false});
        writeFile(QStringLiteral("ca.pem"), ca.pem());
        writeFile(QStringLiteral("device.pem"), device.pem());
        int exitCode = -1;
        openssl({"verify", "-CAfile", path("ca.pem"), path("device.pem")}, {}, &exitCode);
        QCOMPARE(exitCode, 0);

        QCOMPARE(device.serialHex(), QByteArray("0A1B2C3D4E"));
        QCOMPARE(device.serialDecimal(), QByteArray::number(0x0A1B2C3D4ELL));
        QVERIFY(device.matchesSerial("a1b2c3d4e"));
        QVERIFY(device.matchesSerial(QByteArray::number(0x0A1B2C3D4ELL)));
        QVERIFY(!device.matchesSerial("a1b2c3d4f"));
        QVERIFY(!device.matchesSerial("0x0A1B2C3D4E"));
        QVERIFY(!device.matchesSerial(""));
        QVERIFY(device.isIssuedBy(ca));
        QVERIFY(!ca.isIssuedBy(device));
        QVERIFY(ca.isIssuedBy(ca));

        // The DEP 7 forms: base64 of DER, and the same in PEM lines with CR LF.
        const rksv::Certificate fromBase64 = rksv::Certificate::fromText(device.base64());
        QCOMPARE(fromBase64.der(), device.der());
        QByteArray pemLines = device.pem();
        pemLines.replace("\n", "\r\n");
        QCOMPARE(rksv::Certificate::fromText(pemLines).der(), device.der());
        QVERIFY_THROWS_EXCEPTION(Error, rksv::Certificate::fromText("VFJB"));
        QVERIFY_THROWS_EXCEPTION(Error, rksv::Certificate::fromText(device.base64().chopped(4)));
        QVERIFY(rksv::verifyEs256(device.publicKey(), "x", deviceKey.sign("x")));

        writeFile(QStringLiteral("both.pem"), ca.pem() + device.pem());
        QCOMPARE(rksv::Certificate::fromPemFile(path("both.pem")).size(), size_t(2));
        QVERIFY_THROWS_EXCEPTION(Error, rksv::Certificate::fromPemFile(path("input")));

        // A certificate valid from a given time, as a card that signed
        // receipts years ago: openssl reads the dates back.
        rksv::CertificateIssuer::IssueRequest old{QStringLiteral("Kasse 2"), "0B", deviceKey.key(), &ca, &caKey, false, 365};
        old.validFrom = QDateTime(QDate(2017, 1, 1), QTime(0, 0), Qt::UTC);
        writeFile(QStringLiteral("old.pem"), rksv::CertificateIssuer::issue(old).pem());
        const QByteArray dates = openssl({"x509", "-noout", "-startdate", "-enddate", "-in", path("old.pem")}, {}, &exitCode);
        QCOMPARE(exitCode, 0);
        QCOMPARE(dates, QByteArray("notBefore=Jan  1 00:00:00 2017 GMT\nnotAfter=Jan  1 00:00:00 2018 GMT\n"));
    }
};

QTEST_GUILESS_MAIN(TestReceiptPrimitives)
#include "tst_receiptprimitives.moc"
