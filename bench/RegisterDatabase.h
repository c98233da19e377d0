#pragma once

#include "JetColumn.h"

#include <QList>
#include <QString>

class JetDatabaseWriter;

// A cash register's database with made-up but plausible data: the cash-sale
// tables of the shop edition (Barverkaeufe) and of the gastronomy edition
// (BarverkaeufeGastro) and the log (Protokoll). The sales run over two years
// from 1 March 2017, on registers 1 to 3 of company 1 and 4 and 5 of
// company 2, with some NULLs.
//
// Each register keeps the chain of its signed receipts as a real one does:
// a start receipt, sales, training and cancellation receipts, a null
// receipt at each month's end, and compact JWS receipts signed with ES256
// by the register's signature device. Register 2's device fails for a few
// receipts ("Sicherheitseinrichtung ausgefallen"), followed by a signed null
// receipt; register 3's card is replaced by one whose certificate text
// sorts first. Receipts that the DEP 7 journal leaves out (not finished,
// deleted, payment types 6 and 7) are not signed.
//
// With signReceipts a test CA and the devices' certificates (ECDSA P-256)
// and the registers' AES key are made anew for each file: write() puts
// the key and the CA's certificate beside the database, for checking the
// exported journal. Without it the certificates are short made-up texts
// and the signatures random bytes: fast, and small enough for the
// 1,000,000-row benchmark databases; the rest of the data is the same for
// the same options.
//
// Used for the benchmark databases (bench/make-register-db), the sample
// database and tests that need a realistic register database.
struct RegisterDatabaseOptions
{
    int salesRows = 300; // rows in each of the two cash-sale tables
    int logRows = -1;    // rows in Protokoll; -1: as many as salesRows
    QString password;
    quint64 seed = 20170301;
    bool signReceipts = true;
};

namespace RegisterDatabase {

// The columns, in table order, as the register product creates them.
QList<JetColumn> shopSalesColumns();   // Barverkaeufe
QList<JetColumn> gastroSalesColumns(); // BarverkaeufeGastro
QList<JetColumn> logColumns();         // Protokoll

// Adds the three tables with their rows to a writer (which may hold further
// tables of the caller's); the caller finishes it. The signing material is
// not kept.
void addTables(JetDatabaseWriter &writer, const RegisterDatabaseOptions &options);

// Writes a complete database file with the three tables and, with
// signReceipts, the files beside it. Throws Error.
void write(const QString &path, const RegisterDatabaseOptions &options);

// The files beside a database with signed receipts: the registers' AES key
// (base64, one line) and the test CA's certificate (PEM).
QString aesKeyFile(const QString &databasePath);
QString authorityFile(const QString &databasePath);

} // namespace RegisterDatabase
