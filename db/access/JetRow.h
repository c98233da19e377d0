#pragma once

#include <QtGlobal>

namespace db {

struct JetColumnDef;

// Where a column's value lies in a Jet 4 row: the row starts with its
// column count, then the fixed-length values, then the variable-length
// ones; from its end backwards come the null mask (one bit a column, set
// when the value is present; a Boolean's value itself), the number of
// variable-length values and their offsets, the last offset marking the end
// of the variable data.
//
// Nothing is copied: the row refers to the page it lies on.
class JetRow
{
public:
    struct Field
    {
        enum State { Null, Present, Corrupt };
        State state = Null;
        const uchar *data = nullptr;
        int size = 0;
    };

    // Takes the row's bytes. False when its layout does not fit them.
    bool assign(const uchar *row, int size, bool tableHasVarColumns);

    // The value of a Boolean column (true when its bit is set).
    bool booleanValue(const JetColumnDef &column) const;
    Field field(const JetColumnDef &column) const;

private:
    bool presentBit(int number) const;
    int varOffset(int index) const;

    const uchar *m_row = nullptr;
    int m_size = 0;
    int m_maskSize = 0;
    int m_varCount = 0;
    int m_fixedCount = 0;
    // Offset of the lowest entry of the variable offset table: the
    // variable data ends at or before it.
    int m_dataLimit = 0;
};

} // namespace db
