#include "JetPageCache.h"

#include "JetFile.h"

namespace db {

JetPageCache::JetPageCache(JetFile &file, size_t slotCount)
    : m_file(file)
    , m_slots(slotCount)
{
}

const char *JetPageCache::page(quint32 number)
{
    const auto pageSize = size_t(m_file.pageSize());
    if (m_pages.empty()) {
        m_pages.resize(m_slots * pageSize);
        m_numbers.assign(m_slots, 0);
    }
    const size_t slot = number % m_slots;
    char *kept = m_pages.data() + slot * pageSize;
    if (m_numbers[slot] != number) {
        m_numbers[slot] = 0;
        m_file.readPage(number, kept);
        m_numbers[slot] = number;
    }
    return kept;
}

} // namespace db
