#pragma once

#include <QString>

namespace db {

// The statement that counts the rows of a query: "select count(*) from
// (...)" around the query text, without the query's final "order by" (a
// count needs no sorting, and without it SQLite reads only the columns that
// the conditions name), without a closing ";", and with a line break before
// the ")" so that a comment at the end of the text does not swallow it. An
// "order by" followed by "limit" stays, since it decides which rows count.
namespace SqlCount {

QString statementFor(const QString &sql);

} // namespace SqlCount

} // namespace db
