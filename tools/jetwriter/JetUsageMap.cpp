#include "JetUsageMap.h"

#include "JetPageFile.h"

#include <QtEndian>

#include <array>

namespace JetUsageMap {

namespace {

constexpr int inlineRowSize = 64;
constexpr int inlineBitmapBits = (inlineRowSize - 5) * 8;
constexpr int bitmapPageHeader = 4;
constexpr quint32 pagesPerBitmapPage = (JetPageFile::pageSize - bitmapPageHeader) * 8;
constexpr int minimumBitmapPointers = (inlineRowSize - 1) / 4;

void setBit(char *bitmap, quint32 index)
{
    bitmap[index / 8] = char(quint8(bitmap[index / 8]) | (1u << (index % 8)));
}

QByteArray inlineMap(const std::vector<quint32> &pages)
{
    QByteArray row(inlineRowSize, '\0');
    const quint32 start = pages.empty() ? 0 : pages.front();
    qToLittleEndian<quint32>(start, row.data() + 1);
    for (quint32 page : pages)
        setBit(row.data() + 5, page - start);
    return row;
}

QByteArray bitmapPageMap(const std::vector<quint32> &pages, JetPageFile &file)
{
    const quint32 pointerCount = qMax<quint32>(pages.back() / pagesPerBitmapPage + 1, minimumBitmapPointers);
    QByteArray row(1 + 4 * int(pointerCount), '\0');
    row[0] = 0x01;
    std::array<char, JetPageFile::pageSize> bitmapPage;
    auto next = pages.begin();
    while (next != pages.end()) {
        const quint32 index = *next / pagesPerBitmapPage;
        bitmapPage.fill(0);
        bitmapPage[0] = 0x05;
        bitmapPage[1] = 0x01;
        for (; next != pages.end() && *next / pagesPerBitmapPage == index; ++next)
            setBit(bitmapPage.data() + bitmapPageHeader, *next % pagesPerBitmapPage);
        const quint32 mapPage = file.allocate();
        file.write(mapPage, bitmapPage.data());
        qToLittleEndian<quint32>(mapPage, row.data() + 1 + 4 * index);
    }
    return row;
}

} // namespace

QByteArray build(const std::vector<quint32> &pages, JetPageFile &file)
{
    if (pages.empty() || pages.back() - pages.front() < quint32(inlineBitmapBits))
        return inlineMap(pages);
    return bitmapPageMap(pages, file);
}

} // namespace JetUsageMap
