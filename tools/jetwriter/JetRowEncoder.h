#pragma once

#include "JetTableLayout.h"
#include "JetValue.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <span>

class JetLongValueStore;

// Turns the values of one row into the bytes of a Jet 4 row:
//
//   column count (2) | fixed area | variable data | end of data (2)
//   | variable offsets, last column first (2 each) | variable count (2)
//   | null mask (1 bit a column, 1 = has a value)
//
// A Memo or OLE value is a 12-byte field (length and flags, page/row pointer)
// followed by the value itself when it is stored in the row, which it is when
// it has at most maxInlineLongValue bytes and the row stays within maxRowSize;
// otherwise it goes to the long-value store.
class JetRowEncoder
{
public:
    static constexpr int maxRowSize = 4060;
    static constexpr int maxInlineLongValue = 1024;
    // Memo texts of up to this many characters are stored compressed.
    static constexpr int maxCompressedMemoChars = 1024;

    JetRowEncoder(const JetTableLayout &layout, JetLongValueStore &longValues);

    // The row's bytes, valid until the next call. Throws Error naming the
    // table and column when a value does not fit its column.
    QByteArrayView encode(std::span<const JetValue> values);

private:
    void encodeValue(const JetTableLayout::Column &column, const JetValue &value);
    void encodeDecimal(const JetTableLayout::Column &column, const QString &text, char *out) const;
    void placeLongValues(int rowSizeWithPointers);
    int rowSizeWithPointers() const;
    void assemble();
    [[noreturn]] void fail(const JetTableLayout::Column &column, const QString &problem) const;

    const JetTableLayout &m_layout;
    JetLongValueStore &m_longValues;
    QByteArray m_fixed;
    QByteArray m_nullMask;
    QList<QByteArray> m_var;         // by variable index: the bytes stored in the row
    QList<QByteArray> m_longPayload; // by variable index: Memo/OLE value still to place
    QList<bool> m_isLong;            // by variable index
    QList<bool> m_hasLong;           // by variable index: a non-null long value this row
    QByteArray m_row;
};
