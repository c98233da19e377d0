#include "TurnoverCounter.h"

#include "Base64.h"
#include "Error.h"
#include "OpenSslHandles.h"
#include "ReceiptChain.h"

namespace rksv {

TurnoverCounter::TurnoverCounter(QByteArray key)
{
    if (key.size() != keySize)
        throw Error(QStringLiteral("Der AES-Schlüssel hat %1 statt 32 Bytes.").arg(key.size()));
    m_context.reset(EVP_CIPHER_CTX_new());
    if (!m_context
        || EVP_EncryptInit_ex(m_context.get(), EVP_aes_256_ctr(), nullptr,
                              reinterpret_cast<const unsigned char *>(key.constData()), nullptr) != 1)
        throw Error(openSslFailure(QStringLiteral("AES-256-CTR nicht eingerichtet")));
}

QByteArray TurnoverCounter::crypt(QByteArrayView registerId, QByteArrayView receiptNumber, QByteArrayView bytes) const
{
    // Counter mode is its own inverse: the same key stream is added to
    // encrypt and to decrypt.
    const Sha256Digest iv = sha256(registerId.toByteArray() + receiptNumber.toByteArray());
    QByteArray out(bytes.size(), Qt::Uninitialized);
    int written = 0;
    int finalWritten = 0;
    EVP_CIPHER_CTX *context = m_context.get();
    if (EVP_EncryptInit_ex(context, nullptr, nullptr, nullptr, iv.data()) != 1
        || EVP_EncryptUpdate(context, reinterpret_cast<unsigned char *>(out.data()), &written,
                             reinterpret_cast<const unsigned char *>(bytes.data()), int(bytes.size())) != 1
        || EVP_EncryptFinal_ex(context, reinterpret_cast<unsigned char *>(out.data()) + written, &finalWritten) != 1)
        throw Error(openSslFailure(QStringLiteral("AES-256-CTR fehlgeschlagen")));
    return out;
}

std::optional<qint64> TurnoverCounter::decrypt(QByteArrayView registerId, QByteArrayView receiptNumber,
                                               QByteArrayView field) const
{
    const auto cipher = Base64::decode(field);
    if (!cipher || cipher->size() < 5 || cipher->size() > 16)
        return std::nullopt;
    const QByteArray plain = crypt(registerId, receiptNumber, *cipher);
    const qsizetype size = plain.size();
    // The bytes above the lowest 8 only repeat the sign.
    const char sign = plain.at(0) & 0x80 ? char(0xff) : char(0);
    for (qsizetype i = 0; i + 8 < size; ++i) {
        if (plain.at(i) != sign)
            return std::nullopt;
    }
    quint64 bits = sign ? ~quint64(0) : 0;
    for (qsizetype i = std::max<qsizetype>(0, size - 8); i < size; ++i)
        bits = (bits << 8) | quint8(plain.at(i));
    const qint64 value = qint64(bits);
    if (size > 8 && (value < 0) != bool(sign))
        return std::nullopt;
    return value;
}

} // namespace rksv
