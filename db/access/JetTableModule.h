#pragma once

#include "JetTableDef.h"

#include <QString>

#include <vector>

struct sqlite3;

namespace db {

class JetFile;
class SqliteDatabase;

// The SQLite virtual-table module "jet" that shows the tables of an
// Access file to SQLite, so that query texts run on them unchanged.
//
// Each table becomes `CREATE VIRTUAL TABLE "name" USING jet(index)`, its
// columns declared with the types of JetDeclaredType. A scan reads the
// table's pages as SQLite asks for rows and decodes only the columns SQLite
// asks for; nothing of the table is copied. SQLite itself filters and
// groups; an ORDER BY on a table's own columns is taken over by the table
// (JetRowOrder sorts the keys, the rows are read in their order), so that
// SQLite never sorts whole rows. The tables are read-only.
//
// A table whose name SQLite keeps for itself ("sqlite_...") cannot be
// created that way; it gets a module of its own name instead, which SQLite
// shows as a table of that name. A table whose definition could not be read
// is there too, but a query that uses it fails with the table's failure
// text when it is prepared.
class JetTableModule
{
public:
    static constexpr const char *name = "jet";

    // Registers the module with `db` for the tables of `file`; both must
    // outlive the connection's statements.
    static void registerWith(sqlite3 *db, JetFile &file, const std::vector<JetTableDef> &tables);
    // Makes table `index` known to SQLite, after registerWith(); throws
    // Error with SQLite's text when SQLite refuses it.
    static void createTable(SqliteDatabase &db, JetFile &file, const std::vector<JetTableDef> &tables, int index);
    // The statement that makes table `index` known to SQLite.
    static QString createStatement(const std::vector<JetTableDef> &tables, int index);
    // The column list SQLite is given for a table.
    static QString schemaOf(const JetTableDef &table);
};

} // namespace db
