#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <optional>
#include <vector>

namespace db {

class JetFile;

// The pages a table owns, read from its usage map in page order. The map
// either holds the bitmap itself (type 0: a first page number and one bit a
// page) or lists map pages (type 1: page type 0x05, one bit a page from
// their offset 4), each covering the next run of pages of the file.
class JetPageMap
{
public:
    JetPageMap(const QByteArray &usageMap, JetFile &file);

    void rewind();
    // The next page the map lists, or nothing at the end. A page outside
    // the file or a map of unknown type raises the file's format error.
    std::optional<quint32> next();

private:
    bool loadMapPage(quint32 index);
    std::optional<quint32> nextInBitmap(const uchar *bitmap, quint32 bitCount, quint32 firstPage);

    const QByteArray &m_map;
    JetFile &m_file;
    // Inline map: position in its bitmap. Map pages: entry of the map and
    // position in that page's bitmap.
    quint32 m_entry = 0;
    quint32 m_bit = 0;
    qint64 m_loadedEntry = -1;
    std::vector<char> m_mapPage;
};

} // namespace db
