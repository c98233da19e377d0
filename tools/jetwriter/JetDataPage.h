#pragma once

#include <QByteArrayView>
#include <QtGlobal>

#include <array>

// A data page being filled: the header (type 0x01, free space, owner, row
// count), the row offset table growing from the front and the rows growing
// from the back of the page. Long-value pages have the same layout with the
// owner "LVAL" instead of a table definition page.
class JetDataPage
{
public:
    static constexpr int size = 4096;
    static constexpr int headerSize = 14;
    // Row numbers in page/row pointers have one byte.
    static constexpr int maxRows = 255;
    // The largest row a page can take.
    static constexpr int maxRowSize = size - headerSize - 2;
    static constexpr quint32 longValueOwner = 0x4C41564C; // "LVAL"

    explicit JetDataPage(quint32 owner);

    bool isEmpty() const { return m_rows == 0; }
    int rowCount() const { return m_rows; }
    bool fits(qsizetype rowSize) const;
    // Places the row and returns its row number on this page.
    int add(QByteArrayView row);
    // The finished page, valid until the next add() or clear().
    const char *bytes();
    void clear();

private:
    std::array<char, size> m_page;
    quint32 m_owner;
    int m_rows = 0;
    int m_top = size;
};
