#pragma once

// Writes Access 2000-2003 (Jet 4) database files (.mdb) for tests, benchmarks
// and sample data: tables of the usual Access column types, any number of
// rows, and the database password in the file header. No indexes, queries or
// forms are written. Rows are written to the file as they come, so memory
// use does not grow with the number of rows.
//
//     JetDatabaseWriter writer("/tmp/kasse.mdb", "quillet");
//     JetTable sales = writer.addTable("Barverkaeufe", {
//         JetColumn::of("ID", JetType::Long),
//         JetColumn::text("Bezeichnung", 50),
//         JetColumn::of("Betrag", JetType::Currency),
//         JetColumn::of("Tagesabrechnung", JetType::DateTime),
//         JetColumn::of("Bemerkung", JetType::Memo),
//     });
//     sales.addRow({1, "Melange", JetValue::currency(34500), QDateTime({2019, 3, 1}, {10, 15}), nullptr});
//     sales.addRow({2, "Sacher", 4.9, JetValue::oleDate(43525.5), "ohne Schlag"});
//     writer.finish();
//
// The values a column takes are listed in JetValue.h. A file may grow to
// 2 GB, the most Jet 4 opens (about 1.4 million rows in each table of
// bench/make-register-db's database). Every failure throws
// Error (platform/Error.h; IoError for the file) with an English message for
// the developer. A writer that is destroyed without a successful finish()
// removes its file, so a half-written database is never left behind.
//
// To read the header of a file back (Jet version, password) see db::JetHeaderPage.

#include "JetColumn.h"
#include "JetValue.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <initializer_list>
#include <memory>
#include <span>
#include <vector>

class JetTableWriter;

// A table of a JetDatabaseWriter, to add rows to. A small handle: copies
// refer to the same table, which lives as long as its writer.
class JetTable
{
public:
    // One value for each column, in column order.
    void addRow(std::initializer_list<JetValue> values);
    void addRow(const QList<JetValue> &values);
    void addRow(std::span<const JetValue> values);

    QString name() const;
    QList<JetColumn> columns() const;
    quint32 rowCount() const;

private:
    friend class JetDatabaseWriter;
    explicit JetTable(JetTableWriter *table) : m_table(table) {}
    JetTableWriter *m_table;
};

class JetDatabaseWriter
{
public:
    // Creates (or overwrites) the file. The password has at most 20
    // characters; an empty one means none.
    explicit JetDatabaseWriter(const QString &path, const QString &password = QString());
    ~JetDatabaseWriter();
    JetDatabaseWriter(const JetDatabaseWriter &) = delete;
    JetDatabaseWriter &operator=(const JetDatabaseWriter &) = delete;

    // The creation date stored in the header (and in the catalog); it also
    // masks the password. Defaults to the time the writer was made.
    void setCreationDate(const QDateTime &dateTime);
    void setCreationDate(double oleDay);

    // Adds a table; the name must be unique (case-insensitively) and not
    // start with "MSys". Tables may be filled in any order, even alternately.
    JetTable addTable(const QString &name, const QList<JetColumn> &columns);

    // Writes the catalog, the usage maps, the table definitions and the
    // header, and closes the file. Nothing may be added afterwards.
    void finish();

private:
    struct State;
    std::unique_ptr<State> m_state;
};
