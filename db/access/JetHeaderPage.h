#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace db {

// The database definition page (page 0) of an Access database file: the
// file format, the creation date and the database password.
//
// From offset 0x18 on, 128 bytes of the page (126 in Jet 3) are scrambled
// with RC4 under a fixed key. Jet 4 keeps the password in that area as 20
// UCS-2 characters at 0x42, every byte further XORed with the bytes of the
// whole day count of the creation date (the double at 0x72) taken as a
// little-endian 32-bit number and repeated; Jet 3 keeps 20 single-byte
// characters there. Scrambling and masking each undo themselves when applied
// a second time, so a writer of files uses the same two functions.
//
// A Jet 4 file made with Access's "Encode database" has a database key (4
// bytes at 0x3E, in the scrambled area); every page after page 0 is then RC4
// encoded under the key's bytes XORed with the page number, both taken as
// little-endian 32-bit numbers. decodePage() undoes (and applies) that.
class JetHeaderPage
{
public:
    enum class Format { Jet3, Jet4, Ace };

    // The bytes of the page that decoding needs.
    static constexpr int decodedSize = 0x98;
    static constexpr int maxPasswordLength = 20;

    // Decodes the start of a file; nothing when the bytes do not begin like
    // an Access database (page type, signature, known format number).
    static std::optional<JetHeaderPage> parse(QByteArrayView bytes);

    Format format() const { return m_format; }
    int pageSize() const { return m_format == Format::Jet3 ? 2048 : 4096; }
    // OLE day number of the creation date (Jet 4 and later).
    double creationDate() const { return m_creationDate; }
    // The stored database password; empty when none is set.
    const QString &password() const { return m_password; }
    // Jet asks for the password only when the file has one; then it must
    // match exactly, case included.
    bool accepts(const QString &givenPassword) const;
    // The key of the encoded pages; 0 when the pages are stored plain.
    quint32 databaseKey() const { return m_databaseKey; }

    // XORs `length` bytes at `data` with the RC4 key stream of `key`.
    static void applyRc4(QByteArrayView key, char *data, qsizetype length);
    // Encodes or decodes page `page` (of `length` bytes) of a file with the
    // database key `databaseKey`; nothing changes for page 0 or key 0.
    static void decodePage(quint32 databaseKey, quint32 page, char *data, qsizetype length);

    // Applies the RC4 scrambling to (or removes it from) `page`, which holds
    // at least decodedSize bytes.
    static void scramble(char *page, Format format);
    // XORs the Jet 4 password area of an unscrambled `page` with the mask of
    // the creation date stored on it.
    static void maskPassword(char *page);

private:
    Format m_format = Format::Jet4;
    double m_creationDate = 0;
    QString m_password;
    quint32 m_databaseKey = 0;
};

} // namespace db
