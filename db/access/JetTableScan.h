#pragma once

#include "JetPageMap.h"
#include "JetRow.h"

#include <QtGlobal>

#include <unordered_map>
#include <vector>

namespace db {

class JetFile;
struct JetTableDef;

// Walks the rows of one table: the data pages its usage map lists, in page
// order, and on each page its rows in the order of the row offset table.
// Deleted rows are skipped; a row that was moved to another page (its
// offset marked as an overflow pointer) is read where it now lies. Only the
// current page (and the page of a moved row) is held in memory.
//
// A page that does not belong to the table is skipped, as Jet does when a
// usage map is stale; a page of no known kind, or a row that does not fit
// its page, raises the file's format error.
//
// A scan that reaches the end checks what it found against the table
// definition: fewer rows than the definition records (a damaged page kind,
// owner, usage map or row count hides pages or rows), or two data pages
// with live rows alike byte for byte (one page written over another),
// raise the file's
// tableDamaged() error. More rows than recorded are accepted: Jet does not
// keep the count of its own system tables exactly.
class JetTableScan
{
public:
    JetTableScan(const JetTableDef &table, JetFile &file);

    void rewind();
    // Moves to the next row (the first after rewind()). False at the end.
    bool next();

    // Moves to the row of `rowId`, as rowId() gave it during a pass; raises
    // the file's format error when no row lies there (any more). Leaves
    // the pass as it stands: next() goes on from that row. The pages of
    // the last seeks are kept (a few hundred), since rows read in another
    // order than the table's come back to the same pages.
    void seek(qint64 rowId);

    const JetRow &row() const { return m_row; }
    // Page and row number of the current row, unique within the table.
    qint64 rowId() const { return (qint64(m_pageNumber) << 8) | m_rowIndex; }

private:
    bool loadNextPage();
    void loadPage(quint32 page);
    void readPageToSeek(quint32 page);
    bool holdsLiveRows() const;
    size_t pageHash() const;
    void checkDistinct(quint32 page);
    void checkComplete();
    bool isTablePage(const std::vector<char> &page) const;
    bool enterRow(int index);
    bool followOverflow(const uchar *pointer, int size);
    // A row's place on a page: bytes start to end, the flags of its
    // offset, and whether it lies within the page behind the offset table.
    struct Slot
    {
        int start = 0;
        int end = 0;
        int flags = 0;
        bool fits = false;
    };
    Slot slotOf(const std::vector<char> &page, int index) const;

    const JetTableDef &m_table;
    JetFile &m_file;
    JetPageMap m_pages;
    std::vector<char> m_page;
    std::vector<char> m_overflowPage;
    // Pages read by seek(), each in the slot of its number modulo their
    // count, and the page number a slot holds (0: none).
    std::vector<char> m_seekPages;
    std::vector<quint32> m_seekPageNumbers;
    quint32 m_pageNumber = 0;
    int m_rowsOnPage = 0;
    int m_rowIndex = -1;
    JetRow m_row;
    // Of the pass since the last rewind: rows found, and the data pages
    // read by a hash of their bytes.
    quint32 m_rowsFound = 0;
    std::unordered_map<size_t, quint32> m_pagesByHash;
};

} // namespace db
