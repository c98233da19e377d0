#pragma once

#include "JetDataPage.h"
#include "JetRowEncoder.h"
#include "JetTableLayout.h"

#include <span>
#include <vector>

class JetLongValueStore;
class JetPageFile;

// The rows of one table on their way to the file: each row is encoded and
// put on the table's current data page; a full page is written out and a new
// one begun. Only the numbers of the table's data pages are kept, for its
// usage map.
class JetTableWriter
{
public:
    JetTableWriter(JetTableLayout layout, quint32 definitionPage, JetPageFile &file, JetLongValueStore &longValues);

    const JetTableLayout &layout() const { return m_layout; }
    quint32 definitionPage() const { return m_definitionPage; }
    quint32 rowCount() const { return m_rowCount; }
    const std::vector<quint32> &dataPages() const { return m_dataPages; }

    void addRow(std::span<const JetValue> values);
    // Writes the page being filled; no rows may follow.
    void close();

private:
    JetTableLayout m_layout;
    quint32 m_definitionPage;
    JetPageFile &m_file;
    JetRowEncoder m_encoder;
    JetDataPage m_page;
    std::vector<quint32> m_dataPages;
    quint32 m_rowCount = 0;
    bool m_closed = false;
};
