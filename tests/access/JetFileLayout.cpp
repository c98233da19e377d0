#include "JetFileLayout.h"

#include <QSet>
#include <QtEndian>

quint16 JetFileLayout::word(qsizetype at) const
{
    return qFromLittleEndian<quint16>(m_bytes.constData() + at);
}

quint32 JetFileLayout::dword(qsizetype at) const
{
    return qFromLittleEndian<quint32>(m_bytes.constData() + at);
}

quint8 JetFileLayout::pageType(int page) const
{
    return quint8(m_bytes[pageStart(page)]);
}

quint32 JetFileLayout::pageOwner(int page) const
{
    return dword(pageStart(page) + 4);
}

QList<int> JetFileLayout::definitionPages() const
{
    // A definition continued on further pages names the next one at
    // offset 4; those continuations start no definition.
    QSet<int> continuations;
    QList<int> pages;
    for (int page = 1; page < pageCount(); ++page) {
        if (pageType(page) != definitionPageType)
            continue;
        pages << page;
        if (const quint32 next = dword(pageStart(page) + 4))
            continuations << int(next);
    }
    QList<int> starts;
    for (int page : pages) {
        if (!continuations.contains(page))
            starts << page;
    }
    return starts;
}

QList<int> JetFileLayout::dataPagesOf(int definitionPage) const
{
    QList<int> pages;
    for (int page = 1; page < pageCount(); ++page) {
        if (pageType(page) == dataPageType && pageOwner(page) == quint32(definitionPage))
            pages << page;
    }
    return pages;
}

QList<int> JetFileLayout::longValuePages() const
{
    return dataPagesOf(int(longValueOwner));
}

quint32 JetFileLayout::recordedRows(int definitionPage) const
{
    return dword(recordedRowsAt(definitionPage));
}

qsizetype JetFileLayout::usageMapAt(int definitionPage) const
{
    const quint32 reference = dword(usageMapReferenceAt(definitionPage));
    return rowStart(int(reference >> 8), int(reference & 0xFF));
}

qsizetype JetFileLayout::usageMapSize(int definitionPage) const
{
    const quint32 reference = dword(usageMapReferenceAt(definitionPage));
    return rowEnd(int(reference >> 8), int(reference & 0xFF)) - usageMapAt(definitionPage);
}

int JetFileLayout::rowCount(int page) const
{
    return word(rowCountAt(page));
}

quint16 JetFileLayout::rowEntry(int page, int row) const
{
    return word(rowEntryAt(page, row));
}

qsizetype JetFileLayout::rowStart(int page, int row) const
{
    return pageStart(page) + (rowEntry(page, row) & 0x1FFF);
}

qsizetype JetFileLayout::rowEnd(int page, int row) const
{
    return row == 0 ? pageStart(page) + pageSize : pageStart(page) + (rowEntry(page, row - 1) & 0x1FFF);
}

QList<qsizetype> JetFileLayout::longValueReferences(int definitionPage) const
{
    // A row ends with its variable values' offsets (the last marking their
    // end), their count and the null mask. A reference is a variable value
    // of 12 bytes: the length with the flags in its top byte (0x40 one
    // long-value row, 0x00 a chain), the long-value row as page << 8 | row,
    // four bytes of its own.
    QSet<quint32> longValueRows;
    for (int page : longValuePages()) {
        for (int row = 0; row < rowCount(page); ++row)
            longValueRows << ((quint32(page) << 8) | quint32(row));
    }
    QList<qsizetype> references;
    for (int page : dataPagesOf(definitionPage)) {
        for (int row = 0; row < rowCount(page); ++row) {
            if (rowEntry(page, row) & (deletedFlag | overflowFlag))
                continue;
            const qsizetype start = rowStart(page, row);
            const qsizetype end = rowEnd(page, row);
            const int maskSize = (word(start) + 7) / 8;
            const qsizetype countAt = end - maskSize - 2;
            const int varCount = word(countAt);
            for (int i = 0; i < varCount; ++i) {
                const qsizetype at = start + word(countAt - 2 - 2 * i);
                const qsizetype valueEnd = start + word(countAt - 4 - 2 * i);
                const quint8 flags = quint8(m_bytes[at + 3]);
                if (valueEnd - at == 12 && (flags == 0x40 || flags == 0x00) && longValueRows.contains(dword(at + 4)))
                    references << at;
            }
        }
    }
    return references;
}
