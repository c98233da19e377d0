#include "ReceiptPayload.h"

#include "Base64.h"
#include "Error.h"

#include <QDate>
#include <QVarLengthArray>

#include <limits>

namespace rksv {

namespace {

[[noreturn]] void reject(const QString &reason)
{
    throw Error(reason);
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// "12,50", "-3,00": an optional minus, digits, a comma, two digits; at
// most 16 characters, so the sums of a receipt fit in 64 bits.
qint64 parseSum(QByteArrayView text, const char *name)
{
    const qsizetype start = text.startsWith('-') ? 1 : 0;
    bool form = text.size() - start >= 4 && text.at(text.size() - 3) == ',';
    for (qsizetype i = start; form && i < text.size(); ++i)
        form = i == text.size() - 3 || isDigit(text.at(i));
    const QString shown = QString::fromLatin1(text.first(std::min<qsizetype>(text.size(), 40)));
    if (!form)
        reject(QStringLiteral("Betrag %1 '%2' hat nicht die Form 0,00").arg(QLatin1String(name), shown));
    if (text.size() > 17)
        reject(QStringLiteral("Betrag %1 '%2' liegt außerhalb des Wertebereichs").arg(QLatin1String(name), shown));
    qint64 cents = 0;
    for (qsizetype i = start; i < text.size(); ++i) {
        if (i != text.size() - 3)
            cents = cents * 10 + (text.at(i) - '0');
    }
    return start ? -cents : cents;
}

bool isDateTime(QByteArrayView text)
{
    static constexpr char form[] = "dddd-dd-ddTdd:dd:dd";
    if (text.size() != qsizetype(sizeof form - 1))
        return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (form[i] == 'd' ? !isDigit(text.at(i)) : text.at(i) != form[i])
            return false;
    }
    const auto number = [&](int from, int length) { return text.sliced(from, length).toInt(); };
    return QDate(number(0, 4), number(5, 2), number(8, 2)).isValid() && number(11, 2) < 24 && number(14, 2) < 60
           && number(17, 2) < 60;
}

const char *const sumNames[5] = {"Normal", "Ermäßigt-1", "Ermäßigt-2", "Null", "Besonders"};

} // namespace

ReceiptPayload ReceiptPayload::parse(QByteArrayView text)
{
    if (!text.startsWith('_'))
        reject(QStringLiteral("Belegdaten beginnen nicht mit '_'"));
    QVarLengthArray<QByteArrayView, 12> fields;
    for (qsizetype start = 1;;) {
        const qsizetype end = text.indexOf('_', start);
        fields.append(text.sliced(start, (end < 0 ? text.size() : end) - start));
        if (end < 0 || fields.size() > 12)
            break;
        start = end + 1;
    }
    if (fields.size() != 12)
        reject(QStringLiteral("Belegdaten haben nicht 12 durch '_' getrennte Felder"));
    const QByteArrayView suite = fields.at(0);
    if (!suite.startsWith("R1-AT") || suite.size() < 6)
        reject(QStringLiteral("Algorithmus/Vertrauensdienst '%1' ist nicht R1-AT...").arg(QString::fromLatin1(suite)));
    for (const char c : suite.sliced(5)) {
        if (!isDigit(c))
            reject(QStringLiteral("Vertrauensdienst '%1' ist nicht AT und Ziffern").arg(QString::fromLatin1(suite.sliced(3))));
    }
    ReceiptPayload payload;
    payload.trustService = suite.sliced(3).toByteArray();
    payload.registerId = fields.at(1).toByteArray();
    payload.receiptNumber = fields.at(2).toByteArray();
    if (payload.registerId.isEmpty())
        reject(QStringLiteral("Kassen-ID fehlt"));
    if (payload.receiptNumber.isEmpty())
        reject(QStringLiteral("Belegnummer fehlt"));
    if (!isDateTime(fields.at(3)))
        reject(QStringLiteral("Datum/Uhrzeit '%1' ist nicht JJJJ-MM-TTThh:mm:ss").arg(QString::fromLatin1(fields.at(3))));
    payload.dateTime = fields.at(3).toByteArray();
    for (int i = 0; i < 5; ++i)
        payload.sumsInCents[i] = parseSum(fields.at(4 + i), sumNames[i]);
    payload.turnoverCounter = fields.at(9).toByteArray();
    const auto counter = Base64::decode(payload.turnoverCounter);
    if (!counter || (payload.counterKind() == CounterKind::Encrypted && (counter->size() < 5 || counter->size() > 16)))
        reject(QStringLiteral("Umsatzzähler '%1' ist kein Base64 von 5 bis 16 Bytes").arg(QString::fromLatin1(payload.turnoverCounter)));
    payload.certificateSerial = fields.at(10).toByteArray();
    if (payload.certificateSerial.isEmpty())
        reject(QStringLiteral("Zertifikat-Seriennummer fehlt"));
    payload.chainValue = fields.at(11).toByteArray();
    const auto chain = Base64::decode(payload.chainValue);
    if (!chain || chain->size() != 8)
        reject(QStringLiteral("Verkettungswert '%1' ist kein Base64 von 8 Bytes").arg(QString::fromLatin1(payload.chainValue)));
    return payload;
}

QByteArray ReceiptPayload::text() const
{
    QByteArray out = "_R1-" + trustService + '_' + registerId + '_' + receiptNumber + '_' + dateTime;
    for (const qint64 sum : sumsInCents)
        out += '_' + formatSum(sum);
    out += '_' + turnoverCounter + '_' + certificateSerial + '_' + chainValue;
    return out;
}

ReceiptPayload::CounterKind ReceiptPayload::counterKind() const
{
    if (turnoverCounter == trainingCounter)
        return CounterKind::Training;
    if (turnoverCounter == cancellationCounter)
        return CounterKind::Cancellation;
    return CounterKind::Encrypted;
}

qint64 ReceiptPayload::totalInCents() const
{
    qint64 total = 0;
    for (const qint64 sum : sumsInCents)
        total += sum;
    return total;
}

bool ReceiptPayload::isNullReceipt() const
{
    for (const qint64 sum : sumsInCents) {
        if (sum != 0)
            return false;
    }
    return true;
}

QByteArray ReceiptPayload::formatSum(qint64 cents)
{
    const quint64 magnitude = cents < 0 ? quint64(0) - quint64(cents) : quint64(cents);
    QByteArray fraction = QByteArray::number(magnitude % 100);
    if (fraction.size() < 2)
        fraction.prepend('0');
    return (cents < 0 ? "-" : "") + QByteArray::number(magnitude / 100) + ',' + fraction;
}

} // namespace rksv
