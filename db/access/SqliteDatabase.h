#pragma once

#include <QString>

#include <memory>

struct sqlite3;

namespace db {

// An in-memory SQLite database in which the queries of one Access
// connection run. Its text encoding is UTF-16, the encoding of Jet's texts,
// so values pass without conversion. Sorting and grouping that outgrow the
// bounded page cache spill to temporary files, so a large result does not
// have to fit in memory.
class SqliteDatabase
{
public:
    SqliteDatabase();
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase &) = delete;
    SqliteDatabase &operator=(const SqliteDatabase &) = delete;

    sqlite3 *handle() const { return m_db.get(); }
    // Runs a statement of our own; throws Error with SQLite's text.
    void execute(const QString &sql);
    // From now on only reading statements may be prepared: no attaching
    // of files, no pragmas, no changes.
    void allowOnlyQueries();

    QString errorMessage() const;
    // The text of the last failure on `db`: for the failures of SQLite
    // itself (no memory, an input/output error or a full disk with its
    // temporary files, damaged data, a value too big) a German text, else
    // the message as given (our table module's texts are German already).
    static QString errorMessage(sqlite3 *db);

private:
    struct Close
    {
        void operator()(sqlite3 *db) const;
    };
    std::unique_ptr<sqlite3, Close> m_db;
};

} // namespace db
