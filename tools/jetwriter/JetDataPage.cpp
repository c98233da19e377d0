#include "JetDataPage.h"

#include <QtEndian>

#include <cstring>

JetDataPage::JetDataPage(quint32 owner) : m_owner(owner)
{
    clear();
}

bool JetDataPage::fits(qsizetype rowSize) const
{
    const int freeSpace = m_top - (headerSize + 2 * m_rows);
    return m_rows < maxRows && rowSize + 2 <= freeSpace;
}

int JetDataPage::add(QByteArrayView row)
{
    Q_ASSERT(fits(row.size()));
    m_top -= int(row.size());
    std::memcpy(m_page.data() + m_top, row.data(), size_t(row.size()));
    qToLittleEndian<quint16>(quint16(m_top), m_page.data() + headerSize + 2 * m_rows);
    return m_rows++;
}

const char *JetDataPage::bytes()
{
    char *p = m_page.data();
    p[0] = 0x01;
    p[1] = 0x01;
    qToLittleEndian<quint16>(quint16(m_top - (headerSize + 2 * m_rows)), p + 2);
    qToLittleEndian<quint32>(m_owner, p + 4);
    qToLittleEndian<quint32>(0, p + 8);
    qToLittleEndian<quint16>(quint16(m_rows), p + 12);
    return p;
}

void JetDataPage::clear()
{
    m_page.fill(0);
    m_rows = 0;
    m_top = size;
}
