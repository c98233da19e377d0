#include "JetDatabaseWriter.h"

#include "Error.h"
#include "JetDataPage.h"
#include "JetHeader.h"
#include "JetLongValueStore.h"
#include "JetPageFile.h"
#include "JetTableWriter.h"
#include "JetUsageMap.h"
#include "OleDate.h"

#include <QSet>

#include <limits>

namespace {

constexpr quint32 headerPage = 0;
constexpr quint32 mapRowsPage = 1;
constexpr quint32 catalogPage = 2; // where every reader looks for MSysObjects

// Ids of the catalog's container objects; a table's id is the number of its
// definition page.
constexpr qint32 databasesContainerId = 0x0F000000;
constexpr qint32 tablesContainerId = 0x0F000001;
constexpr qint32 relationshipsContainerId = 0x0F000002;
constexpr qint16 tableObjectType = 1;
constexpr qint16 containerObjectType = 3;
constexpr qint32 systemObjectFlags = std::numeric_limits<qint32>::min(); // 0x80000000

// The catalog table, with the columns Access gives it.
QList<JetColumn> catalogColumns()
{
    return {
        JetColumn::of(QStringLiteral("Id"), JetType::Long),
        JetColumn::of(QStringLiteral("ParentId"), JetType::Long),
        JetColumn::text(QStringLiteral("Name"), 255),
        JetColumn::of(QStringLiteral("Type"), JetType::Integer),
        JetColumn::of(QStringLiteral("DateCreate"), JetType::DateTime),
        JetColumn::of(QStringLiteral("DateUpdate"), JetType::DateTime),
        JetColumn::of(QStringLiteral("Flags"), JetType::Long),
        JetColumn::binary(QStringLiteral("Owner"), 255),
        JetColumn::of(QStringLiteral("Database"), JetType::Memo),
        JetColumn::of(QStringLiteral("Connect"), JetType::Memo),
        JetColumn::text(QStringLiteral("ForeignName"), 255),
        JetColumn::binary(QStringLiteral("RmtInfoShort"), 255),
        JetColumn::of(QStringLiteral("RmtInfoLong"), JetType::Ole),
        JetColumn::of(QStringLiteral("Lv"), JetType::Ole),
        JetColumn::of(QStringLiteral("LvProp"), JetType::Ole),
        JetColumn::of(QStringLiteral("LvModule"), JetType::Ole),
        JetColumn::of(QStringLiteral("LvExtra"), JetType::Ole),
    };
}

// Rows that are reached only through page/row pointers (the usage maps),
// packed onto page 1 and, when that is full, onto further pages.
class PointerRows
{
public:
    explicit PointerRows(JetPageFile &file) : m_file(file) {}

    quint32 add(const QByteArray &row)
    {
        if (!m_page.fits(row.size())) {
            flush();
            m_pageNumber = m_file.allocate();
        }
        return m_pageNumber << 8 | quint32(m_page.add(row));
    }

    void flush()
    {
        if (!m_page.isEmpty())
            m_file.write(m_pageNumber, m_page.bytes());
        m_page.clear();
    }

private:
    JetPageFile &m_file;
    JetDataPage m_page{0};
    quint32 m_pageNumber = mapRowsPage;
};

} // namespace

struct JetDatabaseWriter::State
{
    State(const QString &path, const QString &password)
        : password(password), file(path), longValues(file)
    {
    }

    QString password;
    double creationDate = OleDate::fromDateTime(QDateTime::currentDateTime());
    JetPageFile file;
    JetLongValueStore longValues;
    std::unique_ptr<JetTableWriter> catalog;
    std::vector<std::unique_ptr<JetTableWriter>> tables;
    QSet<QString> tableNames;
    bool finished = false;
    bool failed = false; // finish() threw: the file is incomplete, nothing can follow

    void addCatalogRow(qint32 id, qint32 parentId, const QString &name, qint16 type, qint32 flags)
    {
        const JetValue date = JetValue::oleDate(creationDate);
        const JetValue row[] = {id,      parentId, name,    int(type), date,    date,    flags,   nullptr, nullptr,
                                nullptr, nullptr,  nullptr, nullptr,   nullptr, nullptr, nullptr, nullptr};
        catalog->addRow(row);
    }

    void writeDefinition(PointerRows &pointerRows, const JetTableWriter &table, bool system)
    {
        const quint32 usageMap = pointerRows.add(JetUsageMap::build(table.dataPages(), file));
        const quint32 freeSpaceMap = pointerRows.add(JetUsageMap::build({}, file));
        const QByteArray pages =
            table.layout().definitionPages(table.definitionPage(), table.rowCount(), usageMap, freeSpaceMap, system);
        for (qsizetype n = 0; n * JetDataPage::size < pages.size(); ++n)
            file.write(table.definitionPage() + quint32(n), pages.constData() + n * JetDataPage::size);
    }
};

JetDatabaseWriter::JetDatabaseWriter(const QString &path, const QString &password)
{
    if (password.size() > JetHeader::maxPasswordLength)
        throw Error(QStringLiteral("The database password may have at most %1 characters").arg(JetHeader::maxPasswordLength));
    m_state = std::make_unique<State>(path, password);
    State &s = *m_state;
    s.file.allocate(2); // header page, pointer rows
    JetTableLayout layout(QStringLiteral("MSysObjects"), catalogColumns());
    const quint32 page = s.file.allocate(quint32(layout.definitionPageCount()));
    Q_ASSERT(page == catalogPage);
    s.catalog = std::make_unique<JetTableWriter>(std::move(layout), page, s.file, s.longValues);
}

JetDatabaseWriter::~JetDatabaseWriter() = default;

void JetDatabaseWriter::setCreationDate(const QDateTime &dateTime)
{
    setCreationDate(OleDate::fromDateTime(dateTime));
}

void JetDatabaseWriter::setCreationDate(double oleDay)
{
    if (!(oleDay >= 1.0 && oleDay < 2958466.0)) // 1899-12-31 to 9999-12-31
        throw Error(QStringLiteral("The creation date must lie between 1900 and 9999"));
    m_state->creationDate = oleDay;
}

JetTable JetDatabaseWriter::addTable(const QString &name, const QList<JetColumn> &columns)
{
    State &s = *m_state;
    if (s.finished || s.failed)
        throw Error(QStringLiteral("Table \"%1\": tables cannot be added after the database is finished").arg(name));
    if (name.startsWith(QStringLiteral("MSys"), Qt::CaseInsensitive))
        throw Error(QStringLiteral("Table \"%1\": names starting with \"MSys\" are kept for system tables").arg(name));
    if (s.tableNames.contains(name.toCaseFolded()))
        throw Error(QStringLiteral("There are two tables named \"%1\"").arg(name));
    JetTableLayout layout(name, columns);
    const quint32 page = s.file.allocate(quint32(layout.definitionPageCount()));
    s.tables.push_back(std::make_unique<JetTableWriter>(std::move(layout), page, s.file, s.longValues));
    s.tableNames.insert(name.toCaseFolded());
    return JetTable(s.tables.back().get());
}

void JetDatabaseWriter::finish()
{
    State &s = *m_state;
    if (s.finished)
        return;
    if (s.failed)
        throw Error(QStringLiteral("The database could not be finished"));
    s.failed = true;
    for (auto &table : s.tables)
        table->close();

    s.addCatalogRow(databasesContainerId, databasesContainerId, QStringLiteral("Databases"), containerObjectType, 0);
    s.addCatalogRow(tablesContainerId, databasesContainerId, QStringLiteral("Tables"), containerObjectType, 0);
    s.addCatalogRow(relationshipsContainerId, databasesContainerId, QStringLiteral("Relationships"), containerObjectType, 0);
    s.addCatalogRow(qint32(catalogPage), tablesContainerId, QStringLiteral("MSysObjects"), tableObjectType, systemObjectFlags);
    for (const auto &table : s.tables)
        s.addCatalogRow(qint32(table->definitionPage()), tablesContainerId, table->layout().tableName(), tableObjectType, 0);
    s.catalog->close();
    s.longValues.flush();

    PointerRows pointerRows(s.file);
    s.writeDefinition(pointerRows, *s.catalog, true);
    for (const auto &table : s.tables)
        s.writeDefinition(pointerRows, *table, false);
    pointerRows.flush();

    s.file.write(headerPage, JetHeader::makeJet4(s.creationDate, s.password).constData());
    s.file.commit();
    s.finished = true;
    s.failed = false;
}

void JetTable::addRow(std::initializer_list<JetValue> values)
{
    m_table->addRow(std::span<const JetValue>(values.begin(), values.size()));
}

void JetTable::addRow(const QList<JetValue> &values)
{
    m_table->addRow(std::span<const JetValue>(values.constData(), size_t(values.size())));
}

void JetTable::addRow(std::span<const JetValue> values)
{
    m_table->addRow(values);
}

QString JetTable::name() const
{
    return m_table->layout().tableName();
}

QList<JetColumn> JetTable::columns() const
{
    QList<JetColumn> result;
    for (const auto &column : m_table->layout().columns())
        result.append(column.definition);
    return result;
}

quint32 JetTable::rowCount() const
{
    return m_table->rowCount();
}
