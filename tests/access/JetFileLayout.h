#pragma once

#include <QByteArray>
#include <QList>
#include <QtGlobal>

// The pages of a Jet 4 file as our Jet writer lays them out, for tests that
// damage a file in chosen places: page kinds and owners, a data page's row
// table, a table definition's row count and usage map, the long-value rows
// and the row fields that refer to them. Works on the file's bytes.
class JetFileLayout
{
public:
    static constexpr int pageSize = 4096;
    static constexpr quint32 longValueOwner = 0x4C41564C; // "LVAL"
    static constexpr quint8 dataPageType = 0x01;
    static constexpr quint8 definitionPageType = 0x02;
    static constexpr quint16 deletedFlag = 0x8000;
    static constexpr quint16 overflowFlag = 0x4000;

    explicit JetFileLayout(const QByteArray &bytes) : m_bytes(bytes) {}

    int pageCount() const { return int(m_bytes.size() / pageSize); }
    quint8 pageType(int page) const;
    quint32 pageOwner(int page) const;
    static qsizetype pageStart(int page) { return qsizetype(page) * pageSize; }

    // Pages of the definition kind that start a table's definition, in
    // page order: the catalog's (page 2), then the user tables' in the
    // order the writer added them.
    QList<int> definitionPages() const;
    QList<int> dataPagesOf(int definitionPage) const;
    QList<int> longValuePages() const;

    // Offset within the file of a definition's row count, its usage map
    // reference (page << 8 | row) and of the usage map itself.
    static qsizetype recordedRowsAt(int definitionPage) { return pageStart(definitionPage) + 16; }
    static qsizetype usageMapReferenceAt(int definitionPage) { return pageStart(definitionPage) + 55; }
    quint32 recordedRows(int definitionPage) const;
    // The usage map row: type byte, then (type 0) first page and bitmap.
    qsizetype usageMapAt(int definitionPage) const;
    qsizetype usageMapSize(int definitionPage) const;

    // A data page's rows: count, offset table entries, and where row `row`
    // lies in the file (start, end).
    int rowCount(int page) const;
    static qsizetype rowCountAt(int page) { return pageStart(page) + 12; }
    static qsizetype rowEntryAt(int page, int row) { return pageStart(page) + 14 + 2 * row; }
    quint16 rowEntry(int page, int row) const;
    qsizetype rowStart(int page, int row) const;
    qsizetype rowEnd(int page, int row) const;

    // The 12-byte long-value references in the data pages of
    // `definitionPage` that lead to a long-value page (not those holding
    // their value in the row): file offsets of the references.
    QList<qsizetype> longValueReferences(int definitionPage) const;

private:
    quint16 word(qsizetype at) const;
    quint32 dword(qsizetype at) const;

    const QByteArray &m_bytes;
};
