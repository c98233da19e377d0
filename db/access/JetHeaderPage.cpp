#include "JetHeaderPage.h"

#include "CodePage.h"

#include <QByteArray>
#include <QtEndian>

#include <array>
#include <cmath>
#include <utility>

namespace db {

namespace {

constexpr int signatureOffset = 4;
constexpr int formatOffset = 0x14;
constexpr int scrambledOffset = 0x18;
constexpr int passwordOffset = 0x42;
constexpr int jet4PasswordBytes = 40;
constexpr int jet3PasswordBytes = 20;
constexpr int creationDateOffset = 0x72;
constexpr int databaseKeyOffset = 0x3E;

constexpr std::array<quint8, 4> scrambleKey = {0xC7, 0xDA, 0x39, 0x6B};

int scrambledLength(JetHeaderPage::Format format)
{
    return format == JetHeaderPage::Format::Jet3 ? 126 : 128;
}

std::optional<JetHeaderPage::Format> formatOf(QByteArrayView bytes)
{
    if (bytes.size() < JetHeaderPage::decodedSize || bytes[0] != 0)
        return std::nullopt;
    const QByteArrayView signature = bytes.sliced(signatureOffset, 16);
    const bool jet = signature == QByteArrayView("Standard Jet DB\0", 16);
    const bool ace = signature == QByteArrayView("Standard ACE DB\0", 16);
    const quint32 number = qFromLittleEndian<quint32>(bytes.data() + formatOffset);
    if (jet && number == 0)
        return JetHeaderPage::Format::Jet3;
    if (jet && number == 1)
        return JetHeaderPage::Format::Jet4;
    if (ace && number >= 2 && number <= 6)
        return JetHeaderPage::Format::Ace;
    return std::nullopt;
}

QString jet4Password(const char *page)
{
    QString password;
    for (int i = 0; i < jet4PasswordBytes; i += 2) {
        const char16_t unit = qFromLittleEndian<quint16>(page + passwordOffset + i);
        if (unit == 0)
            break;
        password.append(QChar(unit));
    }
    return password;
}

QString jet3Password(const char *page)
{
    QByteArrayView area(page + passwordOffset, jet3PasswordBytes);
    const qsizetype end = area.indexOf('\0');
    return CodePage::fromAnsi(end < 0 ? area : area.first(end));
}

} // namespace

std::optional<JetHeaderPage> JetHeaderPage::parse(QByteArrayView bytes)
{
    const std::optional<Format> format = formatOf(bytes);
    if (!format)
        return std::nullopt;
    QByteArray page = bytes.first(decodedSize).toByteArray();
    scramble(page.data(), *format);

    JetHeaderPage header;
    header.m_format = *format;
    if (*format == Format::Jet3) {
        header.m_password = jet3Password(page.constData());
    } else {
        header.m_creationDate = qFromLittleEndian<double>(page.constData() + creationDateOffset);
        header.m_databaseKey = qFromLittleEndian<quint32>(page.constData() + databaseKeyOffset);
        maskPassword(page.data());
        header.m_password = jet4Password(page.constData());
    }
    return header;
}

bool JetHeaderPage::accepts(const QString &givenPassword) const
{
    return m_password.isEmpty() || m_password == givenPassword;
}

void JetHeaderPage::applyRc4(QByteArrayView key, char *data, qsizetype length)
{
    if (key.isEmpty())
        return;
    std::array<quint8, 256> state;
    for (int i = 0; i < 256; ++i)
        state[i] = quint8(i);
    quint8 j = 0;
    for (int i = 0; i < 256; ++i) {
        j = quint8(j + state[i] + quint8(key[i % key.size()]));
        std::swap(state[i], state[j]);
    }
    quint8 x = 0;
    quint8 y = 0;
    for (qsizetype n = 0; n < length; ++n) {
        x = quint8(x + 1);
        y = quint8(y + state[x]);
        std::swap(state[x], state[y]);
        data[n] = char(quint8(data[n]) ^ state[quint8(state[x] + state[y])]);
    }
}

void JetHeaderPage::scramble(char *page, Format format)
{
    applyRc4(QByteArrayView(reinterpret_cast<const char *>(scrambleKey.data()), qsizetype(scrambleKey.size())),
             page + scrambledOffset, scrambledLength(format));
}

void JetHeaderPage::decodePage(quint32 databaseKey, quint32 page, char *data, qsizetype length)
{
    if (databaseKey == 0 || page == 0)
        return;
    std::array<char, 4> key;
    qToLittleEndian<quint32>(databaseKey ^ page, key.data());
    applyRc4(QByteArrayView(key.data(), qsizetype(key.size())), data, length);
}

void JetHeaderPage::maskPassword(char *page)
{
    const double creationDate = qFromLittleEndian<double>(page + creationDateOffset);
    // A day count outside 32 bits cannot come from a real date; Jet's own
    // conversion would overflow there too, so such a file gets no mask.
    const double day = std::isfinite(creationDate) ? std::floor(creationDate) : 0.0;
    const qint32 whole = (day >= -2147483648.0 && day <= 2147483647.0) ? qint32(day) : 0;
    std::array<char, 4> mask;
    qToLittleEndian<qint32>(whole, mask.data());
    for (int i = 0; i < jet4PasswordBytes; ++i)
        page[passwordOffset + i] = char(page[passwordOffset + i] ^ mask[i % 4]);
}

} // namespace db
