#pragma once

#include "JetColumn.h"
#include "Sale.h"

#include <QList>
#include <QString>
#include <QStringList>

// Register databases for the tests, written by our Jet writer with the
// generator's tables (RegisterDatabase) and rows (Sale). Installations
// differ in how they keep the receipt texts: the generator's tables have
// Memo columns, the tables here the plain Text(255) columns of older
// installations for the certificate texts and, in the gastro edition, for
// the signature. Such columns read as strings, and their NULL does not
// convert to a text.
namespace RegisterTestDatabase {

// `columns` with the named ones turned into Text(255) columns.
QList<JetColumn> withPlainText(QList<JetColumn> columns, const QStringList &names);

// Barverkaeufe and BarverkaeufeGastro in the layout described above.
QList<JetColumn> shopColumns();
QList<JetColumn> gastroColumns();

// Writes `sales` into a table Barverkaeufe, alone in a new database.
void writeShop(const QString &path, const QString &password, const QList<Sale> &sales);

// Writes a new database with Barverkaeufe, BarverkaeufeGastro and an empty
// Protokoll. A sales table is left out when its list is empty and
// `withEmptyTables` is false.
void write(const QString &path, const QString &password, const QList<Sale> &shop, const QList<Sale> &gastro,
           bool withEmptyTables = true);

// The connection string the main window builds for an Access variant.
QString connectionString(const QString &dataSource, const QString &password);

// The provider's own message for a failed connect, or "(connected)".
QString providerError(const QString &connectionString);

} // namespace RegisterTestDatabase
