#pragma once

#include "ProviderConnection.h"

#include <QString>

#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace db {

// One prepared SQLite statement, finalized when the object goes away.
class SqliteStatement
{
public:
    // Prepares the first statement of `sql`; text other than blanks and
    // ";" after it, or a text that is not a query, raises an Error. A table
    // or column that is not there raises "Die Tabelle '<name>' wurde nicht
    // gefunden." or "Die Spalte '<name>' wurde nicht gefunden."; other
    // failures raise SQLite's text.
    SqliteStatement(sqlite3 *db, const QString &sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    // Binds the arguments to the "?" markers in order, each by its
    // declared type; markers without an argument stay NULL.
    void bind(const std::vector<Argument> &arguments);
    // Moves to the next row; false at the end. Throws Error with SQLite's
    // text (or the scan's) on failure.
    bool step();

    sqlite3_stmt *handle() const { return m_statement; }
    int columnCount() const;

private:
    void bindOne(int position, const Argument &argument);
    [[noreturn]] void fail() const;

    sqlite3 *m_db;
    sqlite3_stmt *m_statement = nullptr;
};

} // namespace db
