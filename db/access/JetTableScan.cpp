#include "JetTableScan.h"

#include "JetFile.h"
#include "JetTableDef.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace db {

namespace {

constexpr uchar dataPageType = 0x01;
constexpr uchar lastKnownPageType = 0x05;
constexpr int freeSpaceOffset = 2;
constexpr int ownerOffset = 4;
constexpr int rowCountOffset = 12;
constexpr int rowTableOffset = 14;
constexpr int rowOffsetMask = 0x1FFF;
constexpr int deletedFlag = 0x8000;
constexpr int overflowFlag = 0x4000;
constexpr size_t seekPageSlots = 256;

int readUInt16(const std::vector<char> &page, int offset)
{
    return qFromLittleEndian<quint16>(page.data() + offset);
}

} // namespace

JetTableScan::JetTableScan(const JetTableDef &table, JetFile &file)
    : m_table(table)
    , m_file(file)
    , m_pages(table.usageMap, file)
    , m_page(size_t(file.pageSize()))
{
}

void JetTableScan::rewind()
{
    m_pages.rewind();
    m_rowsOnPage = 0;
    m_rowIndex = -1;
}

bool JetTableScan::isTablePage(const std::vector<char> &page) const
{
    const uchar type = uchar(page[0]);
    if (type == 0 || type > lastKnownPageType)
        m_file.fail();
    return type == dataPageType && qFromLittleEndian<quint32>(page.data() + ownerOffset) == m_table.definitionPage;
}

void JetTableScan::checkRowTable(quint32 page) const
{
    const int rows = readUInt16(m_page, rowCountOffset);
    const int rowTableEnd = rowTableOffset + 2 * rows;
    if (rowTableEnd > m_file.pageSize())
        m_file.fail();
    // Jet puts no more rows on a page than its row pointers address.
    if (rows > maxRowsOnPage)
        m_file.tableDamaged(m_table.name, QStringLiteral("ihre Datenseite %1 nennt %2 Datensätze").arg(page).arg(rows));
    // Rows lie packed from the page's end down, deleted ones included (a
    // deleted row keeps its bytes); the header records the gap between
    // them and the row table. Jet puts a new row into that gap by the
    // recorded size, so it keeps the size exact (it does on every data
    // page of the real files we read). A row count or row offset that
    // lies shows here: rows cut off the table, or a table reaching into
    // them.
    int lowestRow = m_file.pageSize();
    for (int i = 0; i < rows; ++i)
        lowestRow = std::min(lowestRow, readUInt16(m_page, rowTableOffset + 2 * i) & rowOffsetMask);
    if (readUInt16(m_page, freeSpaceOffset) != lowestRow - rowTableEnd)
        m_file.tableDamaged(m_table.name, QStringLiteral("auf ihrer Datenseite %1 stimmt der freie Platz nicht mit den Datensätzen überein").arg(page));
}

void JetTableScan::loadPage(quint32 page)
{
    checkRowTable(page);
    m_pageNumber = page;
    m_rowsOnPage = readUInt16(m_page, rowCountOffset);
    m_rowIndex = -1;
}

bool JetTableScan::loadNextPage()
{
    if (const std::optional<quint32> page = m_pages.next()) {
        m_rowsOnPage = 0; // m_page no longer holds m_pageNumber's rows
        m_file.readPage(*page, m_page.data());
        // Jet lists a page in a table's usage map when it gives the page
        // to the table, as a data page of the table, and takes it out of
        // the map before the page is used otherwise (the real files hold
        // pages a table gave up, still with its rows, but never a listed
        // page of another kind or owner). So a listed page that is no data
        // page of the table is a page written over or a map that lies.
        if (!isTablePage(m_page))
            m_file.tableDamaged(m_table.name, QStringLiteral("ihre Seitenliste nennt die Seite %1, die keine ihrer Datenseiten ist").arg(*page));
        loadPage(*page);
        return true;
    }
    return false;
}

void JetTableScan::readPageToSeek(quint32 page)
{
    const size_t pageSize = m_page.size();
    if (m_seekPages.empty()) {
        m_seekPages.resize(seekPageSlots * pageSize);
        m_seekPageNumbers.assign(seekPageSlots, 0);
    }
    const size_t slot = page % seekPageSlots;
    char *kept = m_seekPages.data() + slot * pageSize;
    if (m_seekPageNumbers[slot] == page) {
        std::memcpy(m_page.data(), kept, pageSize);
        return;
    }
    m_file.readPage(page, m_page.data());
    if (!isTablePage(m_page))
        m_file.fail();
    std::memcpy(kept, m_page.data(), pageSize);
    m_seekPageNumbers[slot] = page;
}

void JetTableScan::seek(qint64 rowId)
{
    const auto page = quint32(rowId >> 8);
    const int index = int(rowId & 0xFF);
    if (page != m_pageNumber || m_rowsOnPage == 0) {
        m_rowsOnPage = 0; // m_page no longer holds m_pageNumber's rows
        readPageToSeek(page);
        loadPage(page);
    }
    if (!enterRow(index))
        m_file.fail();
    m_rowIndex = index;
}

JetTableScan::Slot JetTableScan::slotOf(const std::vector<char> &page, int index) const
{
    const int pageSize = m_file.pageSize();
    const int rows = readUInt16(page, rowCountOffset);
    Slot slot;
    if (index >= rows || rowTableOffset + 2 * rows > pageSize)
        return slot;
    const int entry = readUInt16(page, rowTableOffset + 2 * index);
    slot.flags = entry & (deletedFlag | overflowFlag);
    slot.start = entry & rowOffsetMask;
    slot.end = index == 0 ? pageSize : readUInt16(page, rowTableOffset + 2 * (index - 1)) & rowOffsetMask;
    // Offsets have 13 bits, more than a page holds.
    slot.fits = slot.start >= rowTableOffset + 2 * rows && slot.start <= slot.end && slot.end <= pageSize;
    return slot;
}

bool JetTableScan::followOverflow(const uchar *pointer, int size)
{
    if (size < 4)
        m_file.fail();
    const quint32 pageAndRow = qFromLittleEndian<quint32>(pointer);
    m_overflowPage.resize(m_page.size());
    m_file.readPage(pageAndRow >> 8, m_overflowPage.data());
    if (!isTablePage(m_overflowPage))
        m_file.fail();
    // The moved row itself is marked deleted, so that scans pass it by.
    const Slot slot = slotOf(m_overflowPage, int(pageAndRow & 0xFF));
    const auto *page = reinterpret_cast<const uchar *>(m_overflowPage.data());
    if (!slot.fits || !m_row.assign(page + slot.start, slot.end - slot.start, m_table.hasVarColumns))
        m_file.fail();
    return true;
}

bool JetTableScan::enterRow(int index)
{
    const Slot slot = slotOf(m_page, index);
    if (slot.flags & deletedFlag)
        return false;
    if (!slot.fits)
        m_file.fail();
    if (slot.start == slot.end)
        return false;
    const auto *page = reinterpret_cast<const uchar *>(m_page.data());
    if (slot.flags & overflowFlag)
        return followOverflow(page + slot.start, slot.end - slot.start);
    if (!m_row.assign(page + slot.start, slot.end - slot.start, m_table.hasVarColumns))
        m_file.fail();
    return true;
}

bool JetTableScan::next()
{
    for (;;) {
        while (++m_rowIndex < m_rowsOnPage) {
            if (enterRow(m_rowIndex))
                return true;
        }
        if (!loadNextPage())
            return false;
    }
}

} // namespace db
