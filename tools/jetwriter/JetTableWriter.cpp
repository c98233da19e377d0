#include "JetTableWriter.h"

#include "Error.h"
#include "JetPageFile.h"

JetTableWriter::JetTableWriter(JetTableLayout layout, quint32 definitionPage, JetPageFile &file,
                               JetLongValueStore &longValues)
    : m_layout(std::move(layout)),
      m_definitionPage(definitionPage),
      m_file(file),
      m_encoder(m_layout, longValues),
      m_page(definitionPage)
{
}

void JetTableWriter::addRow(std::span<const JetValue> values)
{
    if (m_closed)
        throw Error(QStringLiteral("Table \"%1\": rows cannot be added after the database is finished").arg(m_layout.tableName()));
    if (m_rowCount == 0xFFFFFFFFu)
        throw Error(QStringLiteral("Table \"%1\" is full").arg(m_layout.tableName()));
    const QByteArrayView row = m_encoder.encode(values);
    if (!m_page.fits(row.size())) {
        m_file.write(m_dataPages.back(), m_page.bytes());
        m_page.clear();
    }
    if (m_page.isEmpty())
        m_dataPages.push_back(m_file.allocate());
    m_page.add(row);
    ++m_rowCount;
}

void JetTableWriter::close()
{
    if (m_closed)
        return;
    if (!m_page.isEmpty())
        m_file.write(m_dataPages.back(), m_page.bytes());
    m_page.clear();
    m_closed = true;
}
