#pragma once

// Reads a DEP 7 file with memory that does not grow with the file: a
// streaming JSON reader hands each group's certificate texts and then each
// of its receipts to a consumer. The file may be UTF-8 or Windows-1252 text
// (the receipts are ASCII either way), with or without a byte order mark,
// with any line ends and any whitespace.
//
// A group's members may come in any order. When its receipts come before
// its certificate texts, the reader notes where the receipt list starts
// and reads it a second time once the group has ended, so the consumer
// still gets the certificate first.
//
// Every text is bounded (maxTextBytes), and so are a group's certification
// authorities and the nesting of values the layout does not know. A member
// that comes twice in one object makes the file mean different things to
// different readers and ends the reading.
//
//     class Counter : public rksv::Dep7Consumer { ... };
//     Counter counter;
//     rksv::Dep7Reader::read(fileName, counter); // throws Error

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <vector>

namespace rksv {

// What a group holds besides its receipts.
struct Dep7GroupHeader
{
    int number = 0; // from 1, in file order
    QByteArray certificate;
    std::vector<QByteArray> authorities;
    bool hasCertificate = false;
    bool hasAuthorities = false;
    bool hasReceipts = false; // a "Belege-kompakt" list
};

class Dep7Consumer
{
public:
    virtual ~Dep7Consumer() = default;

    // A group's receipts begin (the group may have none).
    virtual void groupStarts(const Dep7GroupHeader &group) = 0;
    // One receipt of the open group, valid for the call only.
    virtual void receipt(QByteArrayView compactJws) = 0;
    virtual void groupEnds() = 0;
    // How far the reading has come, now and then.
    virtual void progress(qint64 bytesRead) { Q_UNUSED(bytesRead); }
};

namespace Dep7Reader {

// Far above any sound text: a receipt's fields are fixed by the regulation
// (a compact ES256 JWS of its payload, a few hundred bytes), and a signing
// certificate with an ECDSA P-256 key is about 1 KiB of DER (under 2 KiB as
// base64 with line breaks); even an RSA-4096 CA certificate with long
// extensions stays below 8 KiB. A longer text is no receipt or certificate
// of this format, so refusing it turns away no sound file.
inline constexpr qsizetype maxTextBytes = 64 * 1024;
// A group's certification authorities together: a chain of issuing CAs
// is a handful of certificates, each below 8 KiB (see above).
inline constexpr qsizetype maxAuthorityBytes = 1024 * 1024;
// Nesting of objects and lists: the layout itself nests three deep
// (file, groups, receipts); deeper values are members the layout does not
// know, which a sound file does not nest a thousand levels.
inline constexpr int maxDepth = 1000;

// Throws Error with a German message when the file cannot be read, is no
// JSON or has not the DEP 7 layout; receipts already handed on stay so.
void read(const QString &fileName, Dep7Consumer &consumer);

} // namespace Dep7Reader

} // namespace rksv
