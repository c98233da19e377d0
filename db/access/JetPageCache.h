#pragma once

#include <QtGlobal>

#include <cstddef>
#include <vector>

namespace db {

class JetFile;

// The last pages read from a file, for readers that come back to pages
// (rows read in another order than the table's, long values of such
// rows): each page is kept in the slot of its number modulo the number of
// slots until another page takes that slot. The room is taken at the first
// read.
//
//   JetPageCache cache(file, 256);
//   const char *bytes = cache.page(number); // valid until the slot is taken
class JetPageCache
{
public:
    JetPageCache(JetFile &file, size_t slotCount);

    // The decoded bytes of page `number` (JetFile::pageSize() of them),
    // read unless kept; valid until a page of the same slot is read. A
    // page the file does not hold raises the file's format error.
    const char *page(quint32 number);

private:
    JetFile &m_file;
    size_t m_slots;
    std::vector<char> m_pages;
    // The page each slot holds; 0 for none (page 0 is never read here).
    std::vector<quint32> m_numbers;
};

} // namespace db
