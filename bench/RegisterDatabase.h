#pragma once

#include "JetColumn.h"

#include <QList>
#include <QString>

class JetDatabaseWriter;

// A cash register's database with made-up but plausible data: the cash-sale
// tables of the shop edition (Barverkaeufe) and of the gastronomy edition
// (BarverkaeufeGastro) and the log (Protokoll). The sales run over two years
// from 1 March 2017, on several registers of companies 1 and 2 (mostly 1),
// with a handful of signature certificates, compact JWS receipt signatures
// and some NULLs. The same options give the same file.
//
// Used for the benchmark databases (bench/make-register-db), the sample
// database and tests that need a realistic register database.
struct RegisterDatabaseOptions
{
    int salesRows = 300; // rows in each of the two cash-sale tables
    int logRows = -1;    // rows in Protokoll; -1: as many as salesRows
    QString password;
    quint64 seed = 20170301;
};

namespace RegisterDatabase {

// The columns, in table order, as the register product creates them.
QList<JetColumn> shopSalesColumns();   // Barverkaeufe
QList<JetColumn> gastroSalesColumns(); // BarverkaeufeGastro
QList<JetColumn> logColumns();         // Protokoll

// Adds the three tables with their rows to a writer (which may hold further
// tables of the caller's); the caller finishes it.
void addTables(JetDatabaseWriter &writer, const RegisterDatabaseOptions &options);

// Writes a complete database file with the three tables.
void write(const QString &path, const RegisterDatabaseOptions &options);

} // namespace RegisterDatabase
