#pragma once

#include "JetTableDef.h"

#include <QString>

#include <vector>

namespace db {

class JetFile;

// The user tables of an Access file. The catalog table MSysObjects (its
// definition on page 2) lists every object; its live rows of type "table"
// without a system flag are the user tables. The table definitions are
// decoded here, the rows of MSysObjects read by our own scan, which skips
// deleted rows. A catalog row whose fields cannot be read is passed by (the
// queries that use a table it names fail); a catalog whose pages cannot be
// read stops the opening, since no table can be listed then.
//
// Before a definition is decoded its pages are checked (in the file, of
// the definition kind, the chain without loops, room for the columns it
// declares), and afterwards every column is checked against the row
// layout (a number and a place in the row of its own, within the columns
// the definition declares), so a damaged file raises the file's format
// error instead of misleading the reader.
class JetCatalog
{
public:
    explicit JetCatalog(JetFile &file);
    JetCatalog(const JetCatalog &) = delete;
    JetCatalog &operator=(const JetCatalog &) = delete;

    std::vector<JetTableDef> userTables();

private:
    struct Entry
    {
        QString name;
        quint32 definitionPage = 0;
    };
    std::vector<Entry> catalogEntries(const JetTableDef &catalog);
    // What a definition's header says of its rows' columns.
    struct ColumnLimits
    {
        int rowColumns = 0;
        int varColumns = 0;
    };
    JetTableDef readDefinition(quint32 page, const QString &name);
    // Checks the definition's pages and joins them in `definition`.
    ColumnLimits checkDefinitionPages(quint32 page, std::vector<char> &definition);
    // The columns in column order, the row count and the page map of a
    // definition checkDefinitionPages() joined.
    JetTableDef decodeDefinition(const std::vector<char> &definition);
    void checkColumns(const JetTableDef &table, const ColumnLimits &limits);
    void checkUsageMap(const JetTableDef &table);

    JetFile &m_file;
};

} // namespace db
