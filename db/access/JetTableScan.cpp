#include "JetTableScan.h"

#include "JetFile.h"
#include "JetTableDef.h"

#include <QHashFunctions>
#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace db {

namespace {

constexpr uchar dataPageType = 0x01;
constexpr uchar lastKnownPageType = 0x05;
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
    m_rowsFound = 0;
    m_pagesByHash.clear();
}

bool JetTableScan::holdsLiveRows() const
{
    for (int i = 0; i < m_rowsOnPage; ++i) {
        if (!(readUInt16(m_page, rowTableOffset + 2 * i) & deletedFlag))
            return true;
    }
    return false;
}

// Pages alike byte for byte are alike in their header and row offsets
// and in their first row, which lies at the page's end; a hash of those
// parts finds them at a fraction of the cost of hashing whole pages (rows
// mostly begin with a key of their own), and pages that only share those
// parts are told apart by comparing them whole.
size_t JetTableScan::pageHash() const
{
    const int size = int(m_page.size());
    const int head = rowTableOffset + 2 * m_rowsOnPage;
    const int firstRow = std::clamp(readUInt16(m_page, rowTableOffset) & rowOffsetMask, head, size);
    const size_t hash = qHashBits(m_page.data(), size_t(head));
    return qHashBits(m_page.data() + firstRow, size_t(size - firstRow), hash);
}

void JetTableScan::checkDistinct(quint32 page)
{
    const size_t hash = pageHash();
    const auto [known, added] = m_pagesByHash.try_emplace(hash, page);
    if (added)
        return;
    std::vector<char> other(m_page.size());
    m_file.readPage(known->second, other.data());
    if (other == m_page)
        m_file.tableDamaged(m_table.name, QStringLiteral("ihre Datenseiten %1 und %2 sind gleich").arg(known->second).arg(page));
}

void JetTableScan::checkComplete()
{
    if (m_rowsFound < m_table.rowCount)
        m_file.tableDamaged(m_table.name, QStringLiteral("von ihren %1 Datensätzen wurden nur %2 gefunden")
                                              .arg(m_table.rowCount)
                                              .arg(m_rowsFound));
}

bool JetTableScan::isTablePage(const std::vector<char> &page) const
{
    const uchar type = uchar(page[0]);
    if (type == 0 || type > lastKnownPageType)
        m_file.fail();
    return type == dataPageType && qFromLittleEndian<quint32>(page.data() + ownerOffset) == m_table.definitionPage;
}

void JetTableScan::loadPage(quint32 page)
{
    m_pageNumber = page;
    m_rowsOnPage = readUInt16(m_page, rowCountOffset);
    if (rowTableOffset + 2 * m_rowsOnPage > m_file.pageSize())
        m_file.fail();
    m_rowIndex = -1;
}

bool JetTableScan::loadNextPage()
{
    while (const std::optional<quint32> page = m_pages.next()) {
        m_file.readPage(*page, m_page.data());
        if (!isTablePage(m_page))
            continue;
        loadPage(*page);
        if (holdsLiveRows())
            checkDistinct(*page);
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
            if (enterRow(m_rowIndex)) {
                ++m_rowsFound;
                return true;
            }
        }
        if (!loadNextPage()) {
            checkComplete();
            return false;
        }
    }
}

} // namespace db
