#include "JetHeader.h"

#include "CodePage.h"
#include "Error.h"

#include <QFile>
#include <QtEndian>

#include <array>
#include <cmath>
#include <cstring>

namespace JetHeader {

namespace {

constexpr int versionOffset = 0x14;
constexpr int scrambledOffset = 0x18;
constexpr int jet3ScrambledLength = 126;
constexpr int jet4ScrambledLength = 128;
constexpr int codePageOffset = 0x3C;
constexpr int databaseKeyOffset = 0x3E;
constexpr int passwordOffset = 0x42;
constexpr int jet4PasswordBytes = 40;
constexpr int jet3PasswordBytes = 20;
constexpr int sortOrderOffset = 0x6E;
constexpr int creationDateOffset = 0x72;
constexpr int minimumHeaderLength = scrambledOffset + jet4ScrambledLength;

constexpr std::array<char, 4> scrambleKey = {char(0xC7), char(0xDA), char(0x39), char(0x6B)};
constexpr char jetSignature[] = "Standard Jet DB";
constexpr char aceSignature[] = "Standard ACE DB";

// The four bytes of the whole day count of the creation date, repeated over
// the password area.
std::array<quint8, 4> passwordMask(double creationDate)
{
    std::array<quint8, 4> mask;
    qToLittleEndian(static_cast<qint32>(std::floor(creationDate)), mask.data());
    return mask;
}

std::optional<Version> versionOf(QByteArrayView header)
{
    if (header.size() < minimumHeaderLength || header[0] != 0)
        return std::nullopt;
    const QByteArrayView signature = header.sliced(4, 15);
    const bool jet = signature == QByteArrayView(jetSignature);
    const bool ace = signature == QByteArrayView(aceSignature);
    if (!jet && !ace)
        return std::nullopt;
    switch (static_cast<quint8>(header[versionOffset])) {
    case 0: return Version::Jet3;
    case 1: return Version::Jet4;
    case 2: return Version::Ace12;
    case 3: return Version::Ace14;
    case 4: return Version::Ace15;
    case 5: return Version::Ace16;
    case 6: return Version::Ace17;
    default: return std::nullopt;
    }
}

QString decodeJet4Password(const QByteArray &page, double creationDate)
{
    const auto mask = passwordMask(creationDate);
    QString password;
    for (int i = 0; i < jet4PasswordBytes; i += 2) {
        const quint8 low = quint8(page[passwordOffset + i]) ^ mask[i % 4];
        const quint8 high = quint8(page[passwordOffset + i + 1]) ^ mask[(i + 1) % 4];
        const char16_t unit = char16_t(low | (high << 8));
        if (unit == 0)
            break;
        password.append(QChar(unit));
    }
    return password;
}

QString decodeJet3Password(const QByteArray &page)
{
    QByteArrayView area(page.constData() + passwordOffset, jet3PasswordBytes);
    const qsizetype end = area.indexOf('\0');
    return CodePage::fromAnsi(end < 0 ? area : area.first(end));
}

} // namespace

void rc4(QByteArrayView key, char *data, int length)
{
    std::array<quint8, 256> state;
    for (int i = 0; i < 256; ++i)
        state[i] = quint8(i);
    quint8 j = 0;
    for (int i = 0; i < 256; ++i) {
        j = quint8(j + state[i] + quint8(key[i % key.size()]));
        std::swap(state[i], state[j]);
    }
    quint8 x = 0, y = 0;
    for (int n = 0; n < length; ++n) {
        x = quint8(x + 1);
        y = quint8(y + state[x]);
        std::swap(state[x], state[y]);
        data[n] = char(quint8(data[n]) ^ state[quint8(state[x] + state[y])]);
    }
}

bool isJetDatabase(QByteArrayView header)
{
    return versionOf(header).has_value();
}

std::optional<Info> read(QByteArrayView header)
{
    const auto version = versionOf(header);
    if (!version)
        return std::nullopt;
    QByteArray page = header.first(minimumHeaderLength).toByteArray();
    const bool jet3 = *version == Version::Jet3;
    rc4(QByteArrayView(scrambleKey.data(), scrambleKey.size()), page.data() + scrambledOffset,
        jet3 ? jet3ScrambledLength : jet4ScrambledLength);

    Info info;
    info.version = *version;
    if (jet3) {
        info.password = decodeJet3Password(page);
    } else {
        info.creationDate = qFromLittleEndian<double>(page.constData() + creationDateOffset);
        info.password = decodeJet4Password(page, info.creationDate);
    }
    return info;
}

QString databasePassword(QByteArrayView header)
{
    const auto info = read(header);
    if (!info)
        throw Error(QStringLiteral("Die Datei ist keine Access-Datenbank."));
    return info->password;
}

std::optional<Info> readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw IoError(QStringLiteral("Die Datei \"%1\" kann nicht gelesen werden: %2").arg(path, file.errorString()));
    return read(file.read(minimumHeaderLength));
}

QByteArray makeJet4(double creationDate, const QString &password)
{
    if (password.size() > maxPasswordLength)
        throw Error(QStringLiteral("The database password may have at most %1 characters").arg(maxPasswordLength));

    QByteArray page(jet4PageSize, '\0');
    char *p = page.data();
    p[1] = 1; // page 0 starts 00 01 00 00
    std::memcpy(p + 4, jetSignature, sizeof jetSignature);
    p[versionOffset] = 1;

    qToLittleEndian<quint16>(1252, p + codePageOffset);
    qToLittleEndian<quint32>(0, p + databaseKeyOffset); // no page encryption
    const auto mask = passwordMask(creationDate);
    for (int i = 0; i < jet4PasswordBytes; ++i) {
        const int unit = i / 2;
        const char16_t c = unit < password.size() ? password[unit].unicode() : 0;
        const quint8 byte = (i % 2 == 0) ? quint8(c & 0xFF) : quint8(c >> 8);
        p[passwordOffset + i] = char(byte ^ mask[i % 4]);
    }
    qToLittleEndian<quint16>(0x0409, p + sortOrderOffset); // General sort order
    qToLittleEndian<double>(creationDate, p + creationDateOffset);

    rc4(QByteArrayView(scrambleKey.data(), scrambleKey.size()), p + scrambledOffset, jet4ScrambledLength);
    return page;
}

} // namespace JetHeader
