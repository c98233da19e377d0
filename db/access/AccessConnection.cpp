#include "AccessConnection.h"

#include "Error.h"
#include "JetCatalog.h"
#include "JetCollation.h"
#include "JetHeaderPage.h"
#include "JetTableModule.h"
#include "OrderedDistinctQuery.h"
#include "ReadAheadCursor.h"
#include "SqliteCursor.h"
#include "CountingQuery.h"
#include "WindowsPath.h"

#include <QRegularExpression>

#include <sqlite3.h>

namespace db {

namespace {

const QString dataSourceKey = QStringLiteral("Data Source");
const QString passwordKey = QStringLiteral("Jet OLEDB:Database Password");

} // namespace

AccessConnection::AccessConnection(const ConnectionString &connectionString)
    : m_file(WindowsPath::toLocal(connectionString.value(dataSourceKey)), connectionString.value(dataSourceKey))
{
    checkHeader(connectionString.value(passwordKey));
    m_tables = JetCatalog(m_file).userTables();
    createTables();
}

AccessConnection::~AccessConnection() = default;

void AccessConnection::checkHeader(const QString &password)
{
    const std::optional<JetHeaderPage> header = JetHeaderPage::parse(m_file.readStart(JetHeaderPage::decodedSize));
    if (!header || header->format() != JetHeaderPage::Format::Jet4)
        m_file.fail();
    m_file.setPageSize(header->pageSize());
    m_file.setDatabaseKey(header->databaseKey());
    if (!header->accepts(password))
        throw Error(QStringLiteral("Kein gültiges Kennwort."));
}

void AccessConnection::createTables()
{
    sqlite3 *db = m_sqlite.handle();
    JetCollation::registerWith(db);
    JetTableModule::registerWith(db, m_file, m_tables);
    for (int i = 0; i < int(m_tables.size()); ++i) {
        try {
            JetTableModule::createTable(m_sqlite, m_file, m_tables, i);
        } catch (const Error &) {
            // Only a damaged definition (two columns of one name, say) makes
            // SQLite refuse a table; then the queries that use it fail.
            m_tables[size_t(i)].failure = m_file.formatError();
            m_tables[size_t(i)].columns.clear();
            try {
                JetTableModule::createTable(m_sqlite, m_file, m_tables, i);
            } catch (const Error &) {
                m_file.fail();
            }
        }
    }
    m_sqlite.allowOnlyQueries();
}

std::unique_ptr<SqliteStatement> AccessConnection::prepare(const QString &sql)
{
    try {
        return std::make_unique<SqliteStatement>(m_sqlite.handle(), sql);
    } catch (const Error &) {
        // A table whose definition could not be read has no columns: a
        // query that names its columns fails before the table can give its
        // own failure, which is the one that tells what is wrong.
        for (const JetTableDef &table : m_tables) {
            const QRegularExpression name(QStringLiteral("(?<!\\w)%1(?!\\w)").arg(QRegularExpression::escape(table.name)),
                                          QRegularExpression::CaseInsensitiveOption);
            if (!table.readable() && name.match(sql).hasMatch())
                throw Error(table.failure);
        }
        throw;
    }
}

std::unique_ptr<Cursor> AccessConnection::execute(const QString &sql, const std::vector<Argument> &arguments)
{
    const std::lock_guard lock(*m_lock);
    std::unique_ptr<Cursor> cursor = openOrderedDistinct(sql, arguments);
    if (!cursor) {
        std::unique_ptr<SqliteStatement> statement = prepare(sql);
        statement->bind(arguments);
        cursor = std::make_unique<SqliteCursor>(std::move(statement));
    }
    return std::make_unique<ReadAheadCursor>(std::move(cursor), m_lock);
}

std::unique_ptr<Cursor> AccessConnection::openOrderedDistinct(const QString &sql,
                                                              const std::vector<Argument> &arguments)
{
    const std::optional<OrderedDistinctQuery> query = OrderedDistinctQuery::of(sql);
    if (!query)
        return nullptr;
    std::unique_ptr<SqliteStatement> statement;
    try {
        statement = std::make_unique<SqliteStatement>(m_sqlite.handle(), query->textWithoutDistinct());
    } catch (const Error &) {
        // the query as written gives the failure
        return nullptr;
    }
    std::optional<DistinctRun> run = query->distinctRun(statement->handle());
    if (!run)
        return nullptr;
    statement->bind(arguments);
    return std::make_unique<SqliteCursor>(std::move(statement), std::move(run));
}

qint64 AccessConnection::countRows(const QString &sql, const std::vector<Argument> &arguments)
{
    const std::optional<QString> counting = CountingQuery::countText(sql);
    if (!counting)
        return ProviderConnection::countRows(sql, arguments);
    const std::lock_guard lock(*m_lock);
    const std::unique_ptr<SqliteStatement> statement = prepare(*counting);
    statement->bind(arguments);
    return statement->step() ? sqlite3_column_int64(statement->handle(), 0) : 0;
}

} // namespace db
