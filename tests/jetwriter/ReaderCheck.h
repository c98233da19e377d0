#pragma once

#include "JetColumn.h"
#include "JetValue.h"

#include <QList>
#include <QString>

// What a test wrote into a database, to compare with what the readers make
// of the file: mdbtools (mdb-tables, mdb-schema, mdb-export) and the npm
// package mdb-reader (tests/node/read-mdb.mjs).
struct WrittenTable
{
    QString name;
    QList<JetColumn> columns;
    QList<QList<JetValue>> rows;
};

namespace ReaderCheck {

// Each returns an empty text when the reader reads back exactly what was
// written, else a description of the first difference.
//
// mdbtools cannot tell an empty text from NULL (it shows both as NULL) and
// shows no date before 30 December 1899 or after the year 4637; those
// values are checked against that behaviour.
QString mdbtoolsDifference(const QString &path, const QList<WrittenTable> &tables);
// Only the table names (mdb-tables) and columns (mdb-schema).
QString mdbtoolsSchemaDifference(const QString &path, const QList<WrittenTable> &tables);
// The number of rows mdb-export gives for the table.
qsizetype mdbtoolsRowCount(const QString &path, const QString &table);
// mdb-reader also checks the password and gives back the stored day number
// of a date-time.
QString mdbReaderDifference(const QString &path, const QString &password, const QList<WrittenTable> &tables);

// A decimal text in plain notation without the zeros that say nothing:
// "-012.50" gives "-12.5", "0.0" gives "0".
QString plainDecimal(QString text);

// True when node and tests/node/node_modules are there (npm ci has run).
bool mdbReaderAvailable();

// Runs a program; fails the current test (returning an empty result) when it
// cannot be started, times out or exits with an error.
QByteArray run(const QString &program, const QStringList &arguments, int *exitCode = nullptr,
               QByteArray *errorOutput = nullptr);

} // namespace ReaderCheck
