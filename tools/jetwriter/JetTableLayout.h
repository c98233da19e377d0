#pragma once

#include "JetColumn.h"

#include <QByteArray>
#include <QList>
#include <QString>

// Where each column of a table lives in a row, and the table definition
// (TDEF) that describes it. Fixed-length columns come first in the row at
// their fixed offset; variable-length columns (Text, Memo, Binary, OLE, and
// the columns stored as variable) follow, found through the row's offset
// table; Boolean columns take no room,
// their value being the column's bit in the null mask.
class JetTableLayout
{
public:
    struct Column
    {
        JetColumn definition;
        int number = 0;      // position in the table, also the null mask bit
        bool fixed = false;
        int fixedOffset = 0; // from the start of the fixed area
        int fixedSize = 0;   // bytes of a number, date or decimal (0 for Boolean), in the
                             // fixed area unless stored among the variable-length values
        int varIndex = 0;    // entry in the row's variable offset table
        int storedSize = 0;  // length written to the definition
    };

    // Checks the names (1 to 64 characters, unique, none of . ! ` [ ] and no
    // leading space, as in Access), the sizes and the count of the columns,
    // and throws Error when the table cannot be written.
    JetTableLayout(QString tableName, const QList<JetColumn> &columns);

    const QString &tableName() const { return m_tableName; }
    const QList<Column> &columns() const { return m_columns; }
    int fixedAreaSize() const { return m_fixedAreaSize; }
    int varColumnCount() const { return m_varCount; }
    int nullMaskSize() const { return (int(m_columns.size()) + 7) / 8; }

    // Number of 4 KiB pages the definition takes.
    int definitionPageCount() const;
    // The definition pages, page by page, for the given contents. Page n
    // after the first is linked from page n-1 and must be firstPage + n.
    QByteArray definitionPages(quint32 firstPage, quint32 rowCount, quint32 usageMap, quint32 freeSpaceMap,
                               bool systemTable) const;

private:
    QByteArray definition(quint32 rowCount, quint32 usageMap, quint32 freeSpaceMap, bool systemTable) const;

    QString m_tableName;
    QList<Column> m_columns;
    int m_fixedAreaSize = 0;
    int m_varCount = 0;
};
