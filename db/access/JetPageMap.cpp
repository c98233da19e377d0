#include "JetPageMap.h"

#include "JetFile.h"

#include <QtEndian>

namespace db {

namespace {

constexpr int inlineHeaderSize = 5;
constexpr int mapPageHeaderSize = 4;
constexpr uchar mapPageType = 0x05;

} // namespace

JetPageMap::JetPageMap(const QByteArray &usageMap, JetFile &file)
    : m_map(usageMap)
    , m_file(file)
{
    if (m_map.isEmpty() || (m_map[0] != 0 && m_map[0] != 1))
        m_file.fail();
    if (m_map[0] == 0 && m_map.size() < inlineHeaderSize)
        m_file.fail();
}

void JetPageMap::rewind()
{
    m_entry = 0;
    m_bit = 0;
}

std::optional<quint32> JetPageMap::nextInBitmap(const uchar *bitmap, quint32 bitCount, quint32 firstPage)
{
    while (m_bit < bitCount) {
        const uchar byte = bitmap[m_bit / 8];
        if (byte == 0 || (byte >> (m_bit % 8)) == 0) {
            m_bit = (m_bit / 8 + 1) * 8;
            continue;
        }
        const quint32 bit = m_bit++;
        if (byte & (1u << (bit % 8))) {
            const quint64 page = quint64(firstPage) + bit;
            if (page >= m_file.pageCount())
                m_file.fail();
            return quint32(page);
        }
    }
    return std::nullopt;
}

bool JetPageMap::loadMapPage(quint32 index)
{
    const quint32 page = qFromLittleEndian<quint32>(m_map.constData() + 1 + 4 * index);
    if (page == 0)
        return false;
    if (m_loadedEntry == qint64(index))
        return true;
    m_mapPage.resize(size_t(m_file.pageSize()));
    m_file.readPage(page, m_mapPage.data());
    if (uchar(m_mapPage[0]) != mapPageType)
        m_file.fail();
    m_loadedEntry = index;
    return true;
}

std::optional<quint32> JetPageMap::next()
{
    const auto *map = reinterpret_cast<const uchar *>(m_map.constData());
    if (map[0] == 0) {
        const quint32 firstPage = qFromLittleEndian<quint32>(map + 1);
        return nextInBitmap(map + inlineHeaderSize, quint32(m_map.size() - inlineHeaderSize) * 8, firstPage);
    }
    const quint32 entries = quint32(m_map.size() - 1) / 4;
    const quint32 pagesPerMapPage = quint32(m_file.pageSize() - mapPageHeaderSize) * 8;
    for (; m_entry < entries; ++m_entry, m_bit = 0) {
        if (!loadMapPage(m_entry))
            continue;
        const auto *bitmap = reinterpret_cast<const uchar *>(m_mapPage.data()) + mapPageHeaderSize;
        if (auto page = nextInBitmap(bitmap, pagesPerMapPage, m_entry * pagesPerMapPage))
            return page;
    }
    return std::nullopt;
}

} // namespace db
