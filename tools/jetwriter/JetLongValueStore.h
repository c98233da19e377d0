#pragma once

#include "JetDataPage.h"

#include <QByteArrayView>
#include <QtGlobal>

class JetPageFile;

// Stores Memo and OLE values that do not fit their row in long-value (LVAL)
// pages. A value that fits one page row becomes one row of a shared LVAL page
// (referenced with flag 0x40); a longer value is cut into a chain of rows, one
// a page, each starting with the page/row pointer of the next (flag 0x00).
class JetLongValueStore
{
public:
    struct Reference
    {
        quint8 flags;
        quint32 pageRow; // page number << 8 | row number
    };

    explicit JetLongValueStore(JetPageFile &file);

    Reference put(QByteArrayView value);
    // Writes the page still being filled.
    void flush();

private:
    Reference putChain(QByteArrayView value);

    JetPageFile &m_file;
    JetDataPage m_page{JetDataPage::longValueOwner};
    quint32 m_pageNumber = 0;
};
