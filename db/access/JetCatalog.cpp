#include "JetCatalog.h"

#include "Error.h"
#include "JetFile.h"
#include "JetLongValueReader.h"
#include "JetPageMap.h"
#include "JetTableScan.h"
#include "JetValueReader.h"

#include <QtEndian>

#include <algorithm>
#include <set>

namespace db {

namespace {

constexpr quint32 catalogPage = 2;
constexpr uchar definitionPageType = 0x02;
constexpr int definitionHeaderSize = 8;
constexpr int nextPageOffset = 4;
constexpr int maxColumns = 255;
constexpr int maxIndexes = 1000;
constexpr int tableObjectType = 1;
constexpr quint32 systemObjectFlags = 0x80000002u;

// A Jet 4 table definition, its pages joined: the header, an entry of
// 12 bytes for each real index, an entry of 25 bytes for each column, then
// each column's name (its length in bytes, then its text).
constexpr int definitionRowCountOffset = 16;
constexpr int rowColumnCountOffset = 41; // a row's columns, deleted ones included
constexpr int varColumnCountOffset = 43;
constexpr int columnCountOffset = 45;
constexpr int realIndexCountOffset = 51;
constexpr int usageMapOffset = 55; // page << 8 | row of the table's page map
constexpr int freeMapOffset = 59;
constexpr int realIndexesOffset = 63;
constexpr int realIndexEntrySize = 12;
constexpr int columnEntrySize = 25;
// In a column entry.
constexpr int columnTypeOffset = 0;
constexpr int columnNumberOffset = 5;
constexpr int columnVarIndexOffset = 7;
constexpr int columnPrecisionOffset = 11;
constexpr int columnScaleOffset = 12;
constexpr int columnFlagsOffset = 15;
constexpr int columnFixedOffsetOffset = 21;
constexpr int columnSizeOffset = 23;
constexpr uchar fixedColumnFlag = 0x01;

bool isKnownType(int code)
{
    return (code >= int(JetColumnType::Boolean) && code <= int(JetColumnType::Memo))
        || code == int(JetColumnType::Guid) || code == int(JetColumnType::Numeric);
}

const JetColumnDef *findColumn(const JetTableDef &table, const char *name)
{
    for (const JetColumnDef &column : table.columns) {
        if (column.name.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return &column;
    }
    return nullptr;
}

// One column entry of a definition: its type, number, places in the row,
// size, and for Numeric columns precision and scale.
JetColumnDef columnOf(const char *entry)
{
    JetColumnDef column;
    const int code = uchar(entry[columnTypeOffset]);
    // A type this reader does not know is read as its bytes.
    column.type = isKnownType(code) ? JetColumnType(code) : JetColumnType::Binary;
    column.number = qFromLittleEndian<quint16>(entry + columnNumberOffset);
    column.varIndex = qFromLittleEndian<quint16>(entry + columnVarIndexOffset);
    column.fixed = uchar(entry[columnFlagsOffset]) & fixedColumnFlag;
    column.fixedOffset = qFromLittleEndian<quint16>(entry + columnFixedOffsetOffset);
    // A Boolean's value is its bit in the null mask: it takes no bytes.
    column.size = column.type == JetColumnType::Boolean ? 0 : qFromLittleEndian<quint16>(entry + columnSizeOffset);
    if (column.type == JetColumnType::Numeric) {
        column.precision = uchar(entry[columnPrecisionOffset]);
        column.scale = uchar(entry[columnScaleOffset]);
    }
    return column;
}

} // namespace

JetCatalog::JetCatalog(JetFile &file)
    : m_file(file)
{
}

JetCatalog::ColumnLimits JetCatalog::checkDefinitionPages(quint32 page, std::vector<char> &definition)
{
    // The definition as one run of bytes: the first page whole, the pages
    // it continues on without their 8-byte header.
    const int pageSize = m_file.pageSize();
    definition.clear();
    std::vector<char> buffer(static_cast<size_t>(pageSize));
    std::set<quint32> visited;
    quint32 p = page;
    do {
        if (!visited.insert(p).second)
            m_file.fail();
        m_file.readPage(p, buffer.data());
        if (uchar(buffer[0]) != definitionPageType)
            m_file.fail();
        definition.insert(definition.end(), buffer.begin() + (p == page ? 0 : definitionHeaderSize), buffer.end());
        p = qFromLittleEndian<quint32>(buffer.data() + nextPageOffset);
    } while (p != 0);
    const char *d = definition.data();
    const qint64 size = qint64(definition.size());
    // The rows holding the usage map and the free-space map.
    for (const int offset : {usageMapOffset, freeMapOffset}) {
        if (!m_file.containsPage(qFromLittleEndian<quint32>(d + offset) >> 8))
            m_file.fail();
    }
    const int columns = qFromLittleEndian<quint16>(d + columnCountOffset);
    const qint64 indexes = qFromLittleEndian<quint32>(d + realIndexCountOffset);
    if (columns > maxColumns || indexes > maxIndexes)
        m_file.fail();
    // The column entries, then each column's name with its length before it.
    qint64 at = realIndexesOffset + indexes * realIndexEntrySize + qint64(columns) * columnEntrySize;
    for (int i = 0; i < columns && at + 2 <= size; ++i)
        at += 2 + qFromLittleEndian<quint16>(d + at);
    if (at > size)
        m_file.fail();
    // Before the column count: the columns a row has, deleted ones
    // included, and the variable columns among them.
    ColumnLimits limits;
    limits.rowColumns = qFromLittleEndian<quint16>(d + rowColumnCountOffset);
    limits.varColumns = qFromLittleEndian<quint16>(d + varColumnCountOffset);
    return limits;
}

void JetCatalog::checkColumns(const JetTableDef &table, const ColumnLimits &limits)
{
    // Each column has a number (its bit in a row's null mask) and its own
    // place in the row: a number or place outside the row, or shared with
    // another column, would show one column's values in another.
    const int pageSize = m_file.pageSize();
    std::vector<bool> numberTaken(size_t(limits.rowColumns), false);
    std::vector<bool> varIndexTaken(size_t(limits.varColumns), false);
    std::vector<std::pair<int, int>> fixedAreas;
    for (const JetColumnDef &column : table.columns) {
        if (column.number < 0 || column.number >= limits.rowColumns || numberTaken[size_t(column.number)]
            || column.name.isEmpty())
            m_file.fail();
        numberTaken[size_t(column.number)] = true;
        if (column.fixed) {
            const int expected = jetValueSize(column.type);
            if ((expected >= 0 && column.size != expected && column.type != JetColumnType::Boolean)
                || column.size < 0 || column.fixedOffset < 0 || column.fixedOffset + column.size > pageSize)
                m_file.fail();
            if (column.size > 0)
                fixedAreas.emplace_back(column.fixedOffset, column.fixedOffset + column.size);
        } else {
            // A Boolean lives in the null mask; any other type may be stored
            // among the variable-length values.
            if (!table.hasVarColumns || column.type == JetColumnType::Boolean || column.varIndex < 0
                || column.varIndex >= limits.varColumns || varIndexTaken[size_t(column.varIndex)])
                m_file.fail();
            varIndexTaken[size_t(column.varIndex)] = true;
        }
    }
    std::sort(fixedAreas.begin(), fixedAreas.end());
    for (size_t i = 1; i < fixedAreas.size(); ++i) {
        if (fixedAreas[i].first < fixedAreas[i - 1].second)
            m_file.fail();
    }
}

void JetCatalog::checkUsageMap(const JetTableDef &table)
{
    JetPageMap pages(table.usageMap, m_file);
    while (pages.next()) {
    }
}

JetTableDef JetCatalog::readDefinition(quint32 page, const QString &name)
{
    std::vector<char> definition;
    const ColumnLimits limits = checkDefinitionPages(page, definition);

    JetTableDef table = decodeDefinition(definition);
    table.name = name;
    table.definitionPage = page;
    checkColumns(table, limits);
    checkUsageMap(table);
    return table;
}

JetTableDef JetCatalog::decodeDefinition(const std::vector<char> &definition)
{
    // checkDefinitionPages() saw the column entries and names within the
    // bytes.
    const char *d = definition.data();
    JetTableDef table;
    table.rowCount = qFromLittleEndian<quint32>(d + definitionRowCountOffset);
    table.hasVarColumns = qFromLittleEndian<quint16>(d + varColumnCountOffset) > 0;
    const int columns = qFromLittleEndian<quint16>(d + columnCountOffset);
    const qint64 entries = realIndexesOffset + qint64(qFromLittleEndian<quint32>(d + realIndexCountOffset)) * realIndexEntrySize;
    qint64 nameAt = entries + qint64(columns) * columnEntrySize;
    JetValueReader names(m_file);
    for (int i = 0; i < columns; ++i) {
        JetColumnDef column = columnOf(d + entries + qint64(i) * columnEntrySize);
        const int nameSize = qFromLittleEndian<quint16>(d + nameAt);
        const QByteArrayView utf16 = names.unicode(QByteArrayView(d + nameAt + 2, nameSize));
        column.name = QString(reinterpret_cast<const QChar *>(utf16.data()), utf16.size() / 2);
        nameAt += 2 + nameSize;
        table.columns.push_back(std::move(column));
    }
    // The entries need not come in column order; rows are read in it.
    std::stable_sort(table.columns.begin(), table.columns.end(),
                     [](const JetColumnDef &a, const JetColumnDef &b) { return a.number < b.number; });
    int fixedIndex = 0;
    for (JetColumnDef &column : table.columns) {
        if (column.fixed)
            column.fixedIndex = fixedIndex++;
    }
    // The map of the pages that hold the table's rows is a row of its own.
    JetLongValueReader rows(m_file);
    const QByteArrayView usageMap = rows.readRow(qFromLittleEndian<quint32>(d + usageMapOffset));
    if (usageMap.isEmpty())
        m_file.fail();
    table.usageMap = usageMap.toByteArray();
    return table;
}

std::vector<JetCatalog::Entry> JetCatalog::catalogEntries(const JetTableDef &catalog)
{
    const JetColumnDef *id = findColumn(catalog, "Id");
    const JetColumnDef *name = findColumn(catalog, "Name");
    const JetColumnDef *type = findColumn(catalog, "Type");
    const JetColumnDef *flags = findColumn(catalog, "Flags");
    if (!id || !name || !type || !flags || id->type != JetColumnType::Long || type->type != JetColumnType::Integer
        || flags->type != JetColumnType::Long || name->type != JetColumnType::Text)
        m_file.fail();

    std::vector<Entry> entries;
    JetTableScan scan(catalog, m_file);
    JetValueReader values(m_file);
    while (scan.next()) {
        const JetRow &row = scan.row();
        const JetRow::Field typeField = row.field(*type);
        const JetRow::Field idField = row.field(*id);
        const JetRow::Field nameField = row.field(*name);
        const JetRow::Field flagsField = row.field(*flags);
        // A row whose fields cannot be read names no object we could
        // open; a table it lists is missing, and the queries that use it
        // fail.
        const auto corrupt = [](const JetRow::Field *f) { return f->state == JetRow::Field::Corrupt; };
        const JetRow::Field *fields[] = {&typeField, &idField, &nameField, &flagsField};
        if (std::any_of(std::begin(fields), std::end(fields), corrupt))
            continue;
        if (typeField.state != JetRow::Field::Present || idField.state != JetRow::Field::Present
            || nameField.state != JetRow::Field::Present)
            continue;
        if ((values.integer(*type, typeField) & 0x7F) != tableObjectType)
            continue;
        const quint32 objectFlags = flagsField.state == JetRow::Field::Present
            ? quint32(values.integer(*flags, flagsField)) : 0;
        const QString objectName = values.textAsString(*name, nameField);
        if ((objectFlags & systemObjectFlags) || objectName.startsWith(QLatin1String("MSys"), Qt::CaseInsensitive))
            continue;
        entries.push_back({objectName, quint32(values.integer(*id, idField)) & 0x00FFFFFFu});
    }
    return entries;
}

std::vector<JetTableDef> JetCatalog::userTables()
{
    const JetTableDef catalog = readDefinition(catalogPage, QStringLiteral("MSysObjects"));
    std::vector<JetTableDef> tables;
    for (const Entry &entry : catalogEntries(catalog)) {
        try {
            tables.push_back(readDefinition(entry.definitionPage, entry.name));
        } catch (const Error &error) {
            // Only the queries that use the table fail.
            JetTableDef unreadable;
            unreadable.name = entry.name;
            unreadable.definitionPage = entry.definitionPage;
            unreadable.failure = error.message();
            tables.push_back(std::move(unreadable));
        }
    }
    return tables;
}

} // namespace db
