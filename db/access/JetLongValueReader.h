#pragma once

#include <QByteArrayView>
#include <QtGlobal>

#include <vector>

namespace db {

class JetFile;

// Reads the whole of a Memo or OLE value from the 12-byte reference that
// the row holds: a length with two flag bits (0x80: the value follows the
// reference in the row; 0x40: it is one row of a long-value page; neither:
// a chain of long-value rows, each starting with the page and row of the
// next), and the page and row of the first long-value row.
class JetLongValueReader
{
public:
    static constexpr int referenceSize = 12;

    explicit JetLongValueReader(JetFile &file);

    // The stored bytes of the value, valid until the next read. A
    // reference that leads outside the file, a chain that loops and rows
    // that do not hold exactly the value's length raise the file's format
    // error.
    QByteArrayView read(const uchar *reference, int size);
    // The row at page << 8 | row, valid until the next call. A page that is
    // no data page or a row outside it raises the file's format error.
    QByteArrayView readRow(quint32 pageAndRow);

private:
    void readChain(quint32 pageAndRow, quint32 length);

    JetFile &m_file;
    std::vector<char> m_page;
    qint64 m_loadedPage = -1;
    std::vector<char> m_value;
};

} // namespace db
