#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The program variants: the zero-based entries of the window's variant list,
// -1 while none is chosen. Each operation decides everything it needs from
// the index with these tests.
namespace ProgramVariant {

constexpr int none = -1;

// The captions of the variant list, in index order.
QStringList captions();

// 2 and 3 read a SQL Server catalog; every other index an Access file.
bool isSqlServer(int index);
// 1, 3 and 5 are the gastronomy editions (table BarverkaeufeGastro); 0, 2
// and 4 the shop editions (table Barverkaeufe).
bool isGastro(int index);
// The Access file in the database folder, or the SQL Server catalog.
QString databaseName(int index);
// The folder the folder field is set to when the variant is chosen; nothing
// for an index outside the list.
std::optional<QString> defaultFolder(int index);

} // namespace ProgramVariant
