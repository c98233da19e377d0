#pragma once

#include "JetPageMap.h"
#include "JetRow.h"

#include <QtGlobal>

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
// Damage is found by the pages' structure only, by rules that no page Jet
// writes can break (each with its reason at the check): a page the usage
// map lists that is no data page of this table, a data page whose free
// space disagrees with its row table or that has more rows than a row
// pointer can address, raise the file's tableDamaged() error; a page of no
// known kind, or a row that does not fit its page, the format error. The
// row count the definition records decides nothing: Jet keeps it loosely
// (real files record more and fewer rows than they hold).
class JetTableScan
{
public:
    // The most rows a data page holds: Jet's row pointers (index entries,
    // the pointer a moved row leaves) give the row number one byte.
    static constexpr int maxRowsOnPage = 256;

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
    // Page and row number of the current row, unique within the table, as
    // Jet's row pointers hold them: the row number in the low byte (a page
    // with more rows is refused), the page (at most 2^24) above it.
    qint64 rowId() const { return (qint64(m_pageNumber) << 8) | m_rowIndex; }

private:
    bool loadNextPage();
    void loadPage(quint32 page);
    void readPageToSeek(quint32 page);
    bool isTablePage(const std::vector<char> &page) const;
    void checkRowTable(quint32 page) const;
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
};

} // namespace db
