#include "JetRow.h"

#include "JetTableDef.h"

namespace db {

namespace {

constexpr int columnCountSize = 2;

int readUInt16(const uchar *p)
{
    return p[0] | (p[1] << 8);
}

} // namespace

bool JetRow::assign(const uchar *row, int size, bool tableHasVarColumns)
{
    m_row = row;
    m_size = size;
    if (size < columnCountSize)
        return false;
    const int columnCount = readUInt16(row);
    m_maskSize = (columnCount + 7) / 8;
    int tail = m_maskSize;
    m_varCount = 0;
    if (tableHasVarColumns) {
        if (size < columnCountSize + tail + 2)
            return false;
        m_varCount = readUInt16(row + size - m_maskSize - 2);
        tail += 2 + 2 * (m_varCount + 1);
    }
    if (size < columnCountSize + tail || m_varCount > columnCount)
        return false;
    m_fixedCount = columnCount - m_varCount;
    m_dataLimit = size - tail;
    return true;
}

bool JetRow::presentBit(int number) const
{
    const int byte = number / 8;
    if (byte >= m_maskSize)
        return false;
    return m_row[m_size - m_maskSize + byte] & (1 << (number % 8));
}

int JetRow::varOffset(int index) const
{
    return readUInt16(m_row + m_size - m_maskSize - 4 - 2 * index);
}

bool JetRow::booleanValue(const JetColumnDef &column) const
{
    return presentBit(column.number);
}

JetRow::Field JetRow::field(const JetColumnDef &column) const
{
    Field result;
    if (!presentBit(column.number))
        return result;
    if (column.fixed) {
        if (column.fixedIndex >= m_fixedCount)
            return result;
        const int start = columnCountSize + column.fixedOffset;
        if (start + column.size > m_dataLimit) {
            result.state = Field::Corrupt;
            return result;
        }
        result = {Field::Present, m_row + start, column.size};
        return result;
    }
    if (column.varIndex >= m_varCount)
        return result;
    const int start = varOffset(column.varIndex);
    const int end = varOffset(column.varIndex + 1);
    // A number or date among the variable-length values has its type's size.
    const int valueSize = jetValueSize(column.type);
    if (start < columnCountSize || start > end || end > m_dataLimit || (valueSize > 0 && end - start != valueSize)) {
        result.state = Field::Corrupt;
        return result;
    }
    result = {Field::Present, m_row + start, end - start};
    return result;
}

} // namespace db

