#pragma once

// Reads a DEP 7 file in one pass, with memory that does not grow with the
// file: a streaming JSON reader hands each group's certificate texts and
// then each of its receipts to a consumer as they come. The file may be
// UTF-8 or Windows-1252 text (the receipts are ASCII either way), with or
// without a byte order mark, with any line ends.
//
//     class Counter : public rksv::Dep7Consumer { ... };
//     Counter counter;
//     rksv::Dep7Reader::read(fileName, counter); // throws Error

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <vector>

namespace rksv {

class Dep7Consumer
{
public:
    virtual ~Dep7Consumer() = default;

    // A group's receipts begin: the certificate and authority texts read so
    // far in the group (the file's own order puts them first).
    virtual void groupStarts(const QByteArray &certificate, const std::vector<QByteArray> &authorities) = 0;
    // One receipt of the open group, valid for the call only.
    virtual void receipt(QByteArrayView compactJws) = 0;
    virtual void groupEnds() = 0;
};

namespace Dep7Reader {

// Throws Error with a German message when the file cannot be read, is no
// JSON or has not the DEP 7 layout; receipts already handed on stay so.
void read(const QString &fileName, Dep7Consumer &consumer);

} // namespace Dep7Reader

} // namespace rksv
