#pragma once

#include "ConnectionString.h"
#include "JetFile.h"
#include "JetTableDef.h"
#include "ProviderConnection.h"
#include "SqliteDatabase.h"

#include <memory>
#include <mutex>
#include <vector>

namespace db {

class SqliteStatement;

// An open Access database file (provider "Microsoft.Jet.OLEDB.4.0"). The
// file is checked and its table definitions read when connecting; the
// queries then run in an SQLite database of the connection, on virtual
// tables that read the file's rows as the query needs them. A query's rows
// are read ahead on a second thread (ReadAheadCursor); the connection is
// used by one thread at a time.
//
// Connection string keys: "Data Source" (the file, a Windows path) and
// "Jet OLEDB:Database Password". Connecting fails with
//   "Die Datei '<Data Source>' wurde nicht gefunden."   no such file,
//   "Nicht erkanntes Datenbankformat '<Data Source>'."  not an Access 2000-2003
//                                                       file, or a damaged one,
//   "Kein gültiges Kennwort."                            the file has a password
//                                                       and it was not given.
class AccessConnection : public ProviderConnection
{
public:
    explicit AccessConnection(const ConnectionString &connectionString);
    ~AccessConnection() override;

    std::unique_ptr<Cursor> execute(const QString &sql, const std::vector<Argument> &arguments) override;
    // Counts in SQLite, so the rows' other columns are never decoded.
    qint64 countRows(const QString &sql, const std::vector<Argument> &arguments) override;

private:
    // The cursor of a "select distinct" ordered by result columns, run
    // without its DISTINCT and its duplicates dropped run by run
    // (OrderedDistinctQuery); null for any other query, which SQLite runs
    // as it is written.
    std::unique_ptr<Cursor> openOrderedDistinct(const QString &sql, const std::vector<Argument> &arguments);
    // The statement for `sql`; when it cannot be prepared and names a table
    // whose definition could not be read, that table's failure is raised.
    std::unique_ptr<SqliteStatement> prepare(const QString &sql);
    void checkHeader(const QString &password);
    void createTables();

    // Held by whoever uses SQLite or the file: a caller, or the thread
    // that reads a query's rows ahead.
    std::shared_ptr<std::mutex> m_lock = std::make_shared<std::mutex>();
    JetFile m_file;
    std::vector<JetTableDef> m_tables;
    // Declared last: its virtual tables refer to the file and the tables.
    SqliteDatabase m_sqlite;
};

} // namespace db
