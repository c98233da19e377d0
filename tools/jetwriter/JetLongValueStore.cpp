#include "JetLongValueStore.h"

#include "JetPageFile.h"

#include <QByteArray>
#include <QtEndian>

namespace {

constexpr quint8 singlePageFlag = 0x40;
constexpr quint8 chainFlag = 0x00;
constexpr int chainPointerSize = 4;

} // namespace

JetLongValueStore::JetLongValueStore(JetPageFile &file) : m_file(file) {}

JetLongValueStore::Reference JetLongValueStore::put(QByteArrayView value)
{
    if (value.size() > JetDataPage::maxRowSize)
        return putChain(value);
    if (!m_page.fits(value.size()))
        flush();
    if (m_page.isEmpty())
        m_pageNumber = m_file.allocate();
    const int row = m_page.add(value);
    return {singlePageFlag, m_pageNumber << 8 | quint32(row)};
}

JetLongValueStore::Reference JetLongValueStore::putChain(QByteArrayView value)
{
    constexpr qsizetype chunkSize = JetDataPage::maxRowSize - chainPointerSize;
    const quint32 chunks = quint32((value.size() + chunkSize - 1) / chunkSize);
    const quint32 first = m_file.allocate(chunks);
    JetDataPage page(JetDataPage::longValueOwner);
    QByteArray row;
    for (quint32 n = 0; n < chunks; ++n) {
        const QByteArrayView chunk = value.sliced(n * chunkSize, qMin(chunkSize, value.size() - n * chunkSize));
        row.resize(chainPointerSize);
        qToLittleEndian<quint32>(n + 1 < chunks ? (first + n + 1) << 8 : 0, row.data());
        row.append(chunk.data(), chunk.size());
        page.clear();
        page.add(row);
        m_file.write(first + n, page.bytes());
    }
    return {chainFlag, first << 8};
}

void JetLongValueStore::flush()
{
    if (m_page.isEmpty())
        return;
    m_file.write(m_pageNumber, m_page.bytes());
    m_page.clear();
}
