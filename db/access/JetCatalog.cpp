#include "JetCatalog.h"

#include "Error.h"
#include "JetFile.h"
#include "JetPageMap.h"
#include "JetTableScan.h"
#include "JetValueReader.h"

#include <QFile>
#include <QtEndian>

#include <mdbtools.h>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstring>
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

// While it lives, what the process writes to its standard output and
// error goes nowhere: libmdb reports what it dislikes in a file there
// ("mdb_read_table: Unable to find page row 3"), and no library text may
// reach the user unasked. The checks of the catalog give the user the file's
// format error instead. Made around each call into libmdb only.
class QuietLibrary
{
public:
    QuietLibrary()
    {
#ifdef Q_OS_UNIX
        std::fflush(stdout);
        std::fflush(stderr);
        const int nowhere = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (nowhere < 0)
            return;
        for (int i = 0; i < 2; ++i) {
            m_saved[i] = ::fcntl(outputs[i], F_DUPFD_CLOEXEC, 3);
            if (m_saved[i] >= 0)
                ::dup2(nowhere, outputs[i]);
        }
        ::close(nowhere);
#endif
    }
    ~QuietLibrary()
    {
#ifdef Q_OS_UNIX
        std::fflush(stdout);
        std::fflush(stderr);
        for (int i = 0; i < 2; ++i) {
            if (m_saved[i] >= 0) {
                ::dup2(m_saved[i], outputs[i]);
                ::close(m_saved[i]);
            }
        }
#endif
    }
    QuietLibrary(const QuietLibrary &) = delete;
    QuietLibrary &operator=(const QuietLibrary &) = delete;

private:
    static constexpr int outputs[2] = {1, 2};
    int m_saved[2] = {-1, -1};
};

struct TableDefFree
{
    void operator()(MdbTableDef *table) const
    {
        QuietLibrary quiet;
        mdb_free_tabledef(table);
    }
};
using TablePtr = std::unique_ptr<MdbTableDef, TableDefFree>;

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

JetColumnDef columnOf(const MdbColumn &mdb)
{
    JetColumnDef column;
    column.name = QString::fromUtf8(mdb.name);
    // A type this reader does not know is read as its bytes.
    column.type = isKnownType(mdb.col_type) ? JetColumnType(mdb.col_type) : JetColumnType::Binary;
    column.size = mdb.col_size;
    column.number = mdb.col_num;
    column.fixed = mdb.is_fixed;
    column.fixedOffset = mdb.fixed_offset;
    column.varIndex = int(mdb.var_col_num);
    // The column entry keeps precision and scale in one byte each; libmdb
    // 1.0 hands them over the other way round. The scale never exceeds the
    // precision, so the larger is the precision whichever way they come.
    column.precision = std::max(mdb.col_prec, mdb.col_scale);
    column.scale = std::min(mdb.col_prec, mdb.col_scale);
    return column;
}

} // namespace

struct JetCatalog::Library
{
    explicit Library(const QString &path)
    {
        QuietLibrary quiet;
        handle = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    }
    ~Library()
    {
        QuietLibrary quiet;
        if (handle)
            mdb_close(handle);
    }
    Library(const Library &) = delete;
    Library &operator=(const Library &) = delete;

    MdbHandle *handle = nullptr;
};

JetCatalog::JetCatalog(JetFile &file)
    : m_file(file)
    , m_mdb(std::make_unique<Library>(file.localPath()))
{
    const MdbHandle *mdb = m_mdb->handle;
    if (!mdb || mdb->f->jet_version != MDB_VER_JET4 || mdb->fmt->pg_size != m_file.pageSize())
        m_file.fail();
}

JetCatalog::~JetCatalog() = default;

JetCatalog::ColumnLimits JetCatalog::checkDefinitionPages(quint32 page)
{
    // The definition as one run of bytes: the first page whole, the pages
    // it continues on without their 8-byte header.
    const MdbFormatConstants &fmt = *m_mdb->handle->fmt;
    const int pageSize = m_file.pageSize();
    std::vector<char> definition;
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
    for (const int offset : {fmt.tab_usage_map_offset, fmt.tab_free_map_offset}) {
        if (!m_file.containsPage(qFromLittleEndian<quint32>(d + offset) >> 8))
            m_file.fail();
    }
    const int columns = qFromLittleEndian<quint16>(d + fmt.tab_num_cols_offset);
    const qint64 indexes = qFromLittleEndian<quint32>(d + fmt.tab_num_ridxs_offset);
    if (columns > maxColumns || indexes > maxIndexes)
        m_file.fail();
    // The column entries, then each column's name with its length before it.
    qint64 at = fmt.tab_cols_start_offset + indexes * fmt.tab_ridx_entry_size + qint64(columns) * fmt.tab_col_entry_size;
    for (int i = 0; i < columns && at + 2 <= size; ++i)
        at += 2 + qFromLittleEndian<quint16>(d + at);
    if (at > size)
        m_file.fail();
    // Before the column count: the columns a row has, deleted ones
    // included, and the variable columns among them.
    ColumnLimits limits;
    limits.rowColumns = qFromLittleEndian<quint16>(d + fmt.tab_num_cols_offset - 4);
    limits.varColumns = qFromLittleEndian<quint16>(d + fmt.tab_num_cols_offset - 2);
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
    const ColumnLimits limits = checkDefinitionPages(page);

    MdbCatalogEntry entry;
    std::memset(&entry, 0, sizeof entry);
    entry.mdb = m_mdb->handle;
    entry.object_type = MDB_TABLE;
    entry.table_pg = page;
    const QByteArray utf8 = name.toUtf8().left(MDB_MAX_OBJ_NAME);
    std::memcpy(entry.object_name, utf8.constData(), size_t(utf8.size()));

    TablePtr mdbTable;
    bool columnsRead = false;
    {
        QuietLibrary quiet;
        mdbTable.reset(mdb_read_table(&entry));
        columnsRead = mdbTable && mdb_read_columns(mdbTable.get());
    }
    if (!columnsRead || mdbTable->columns->len != mdbTable->num_cols || mdbTable->map_sz < 1)
        m_file.fail();

    JetTableDef table;
    table.name = name;
    table.definitionPage = page;
    table.rowCount = mdbTable->num_rows;
    table.hasVarColumns = mdbTable->num_var_cols > 0;
    table.usageMap = QByteArray(reinterpret_cast<const char *>(mdbTable->usage_map), qsizetype(mdbTable->map_sz));
    int fixedIndex = 0;
    for (guint i = 0; i < mdbTable->columns->len; ++i) {
        JetColumnDef column = columnOf(*static_cast<const MdbColumn *>(g_ptr_array_index(mdbTable->columns, i)));
        if (column.fixed)
            column.fixedIndex = fixedIndex++;
        table.columns.push_back(std::move(column));
    }
    checkColumns(table, limits);
    checkUsageMap(table);
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
