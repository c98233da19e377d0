#include "JetHeader.h"

#include "Error.h"
#include "access/JetHeaderPage.h"

#include <QtEndian>

#include <cstring>

namespace JetHeader {

namespace {

constexpr int versionOffset = 0x14;
constexpr int codePageOffset = 0x3C;
constexpr int databaseKeyOffset = 0x3E;
constexpr int passwordOffset = 0x42;
constexpr int jet4PasswordBytes = 40;
constexpr int sortOrderOffset = 0x6E;
constexpr int creationDateOffset = 0x72;

constexpr char jetSignature[] = "Standard Jet DB";

} // namespace

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
    for (int i = 0; i < jet4PasswordBytes; i += 2) {
        const int unit = i / 2;
        const char16_t c = unit < password.size() ? password[unit].unicode() : 0;
        qToLittleEndian<quint16>(c, p + passwordOffset + i);
    }
    qToLittleEndian<quint16>(0x0409, p + sortOrderOffset); // General sort order
    qToLittleEndian<double>(creationDate, p + creationDateOffset);

    // The mask comes from the date just stored, so it is applied after it.
    db::JetHeaderPage::maskPassword(p);
    db::JetHeaderPage::scramble(p, db::JetHeaderPage::Format::Jet4);
    return page;
}

} // namespace JetHeader
