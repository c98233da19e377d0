#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// The database definition page (page 0) of an Access .mdb file: the Jet
// version, the creation date and the database password.
//
// Part of the page from offset 0x18 is scrambled with a fixed RC4 key. In
// Jet 4 the password is 20 UCS-2 characters at 0x42, each byte XORed with the
// four bytes of the whole day count of the creation date (a double at 0x72),
// repeated; in Jet 3 it is 20 single-byte characters, not masked. An unset
// password reads as the empty text.
namespace JetHeader {

constexpr int jet3PageSize = 2048;
constexpr int jet4PageSize = 4096;
constexpr int maxPasswordLength = 20;

enum class Version { Jet3, Jet4, Ace12, Ace14, Ace15, Ace16, Ace17 };

struct Info
{
    Version version = Version::Jet4;
    // OLE day number of the creation date (Jet 4 and later; 0 in Jet 3).
    double creationDate = 0;
    QString password;
};

// True when the bytes start like an Access database file (.mdb or .accdb):
// page type 0 and a "Standard Jet DB" or "Standard ACE DB" signature with a
// known version byte. Needs at least the first 0x98 bytes of the file.
bool isJetDatabase(QByteArrayView header);

// Decodes the header page (at least the first 0x98 bytes of the file), or
// nothing when it is not an Access database file.
std::optional<Info> read(QByteArrayView header);

// The database password stored in the header page; empty when none is set.
// Throws Error when the bytes are not the header of an Access database file.
QString databasePassword(QByteArrayView header);

// Reads the header page of the file at the path. Throws IoError when the file
// cannot be read; returns nothing when it is not an Access database file.
std::optional<Info> readFile(const QString &path);

// The Jet 4 header page the writer stores: version 4, sort order General,
// code page 1252, not encrypted, with the creation date and the password
// (at most 20 characters; Error otherwise).
QByteArray makeJet4(double creationDate, const QString &password);

// RC4 as the header scrambling uses it; applying it twice restores the data.
void rc4(QByteArrayView key, char *data, int length);

} // namespace JetHeader

// Shorthand for the reader side: the password stored in a file's header page.
inline QString jetDatabasePassword(const QByteArray &headerPage)
{
    return JetHeader::databasePassword(headerPage);
}
