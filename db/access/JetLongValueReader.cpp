#include "JetLongValueReader.h"

#include "JetFile.h"

#include <QtEndian>

#include <unordered_set>

namespace db {

namespace {

constexpr quint32 inlineFlag = 0x80000000u;
constexpr quint32 singleRowFlag = 0x40000000u;
constexpr quint32 lengthMask = 0x3FFFFFFFu;
constexpr uchar dataPageType = 0x01;
constexpr int rowCountOffset = 12;
constexpr int rowOffsetMask = 0x1FFF;

} // namespace

JetLongValueReader::JetLongValueReader(JetFile &file)
    : m_file(file)
{
}

QByteArrayView JetLongValueReader::readRow(quint32 pageAndRow)
{
    const quint32 page = pageAndRow >> 8;
    const int row = int(pageAndRow & 0xFF);
    const int pageSize = m_file.pageSize();
    if (m_loadedPage != qint64(page)) {
        m_page.resize(size_t(pageSize));
        m_loadedPage = -1;
        m_file.readPage(page, m_page.data());
        m_loadedPage = page;
    }
    const auto *p = reinterpret_cast<const uchar *>(m_page.data());
    const int rows = qFromLittleEndian<quint16>(p + rowCountOffset);
    if (p[0] != dataPageType || row >= rows || rowCountOffset + 2 + 2 * rows > pageSize)
        m_file.fail();
    const int start = qFromLittleEndian<quint16>(p + rowCountOffset + 2 + 2 * row) & rowOffsetMask;
    const int end = row == 0 ? pageSize : qFromLittleEndian<quint16>(p + rowCountOffset + 2 * row) & rowOffsetMask;
    if (start > end || end > pageSize)
        m_file.fail();
    return QByteArrayView(m_page.data() + start, end - start);
}

void JetLongValueReader::readChain(quint32 pageAndRow, quint32 length)
{
    m_value.clear();
    // A row met a second time is a loop: the chain would never end. Each
    // row holds the next part of the value whole, and the last one ends
    // the chain: a chain that goes on, or a row that holds more than the
    // rest of the value, is damaged.
    std::unordered_set<quint32> visited;
    while (m_value.size() < length) {
        if (pageAndRow == 0 || !visited.insert(pageAndRow).second)
            m_file.fail();
        const QByteArrayView row = readRow(pageAndRow);
        if (row.size() <= 4 || qsizetype(m_value.size()) + row.size() - 4 > qsizetype(length))
            m_file.fail();
        pageAndRow = qFromLittleEndian<quint32>(row.data());
        m_value.insert(m_value.end(), row.data() + 4, row.data() + row.size());
    }
    if (pageAndRow != 0)
        m_file.fail();
}

QByteArrayView JetLongValueReader::read(const uchar *reference, int size)
{
    if (size < referenceSize)
        m_file.fail();
    const quint32 header = qFromLittleEndian<quint32>(reference);
    const quint32 length = header & lengthMask;
    if (header & inlineFlag) {
        if (length > quint32(size - referenceSize))
            m_file.fail();
        return QByteArrayView(reinterpret_cast<const char *>(reference) + referenceSize, length);
    }
    if (length == 0)
        return {};
    // A value cannot be larger than the file it is stored in.
    if (qint64(length) > m_file.size())
        m_file.fail();
    const quint32 pageAndRow = qFromLittleEndian<quint32>(reference + 4);
    if (header & singleRowFlag) {
        const QByteArrayView row = readRow(pageAndRow);
        if (row.size() != qsizetype(length))
            m_file.fail();
        return row;
    }
    readChain(pageAndRow, length);
    return QByteArrayView(m_value.data(), qsizetype(m_value.size()));
}

} // namespace db
