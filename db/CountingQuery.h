#pragma once

#include <QString>

#include <optional>

namespace db {

// The record count of a query as the database works it out: "select
// count(*) from (<query>) counted_rows", so that the rows are not read a
// second time. A trailing ORDER BY is dropped, since SQL Server takes none
// in a derived table and SQLite would sort every row for nothing (the count
// does not depend on it), unless it holds a "?" marker or is followed by
// OFFSET, FETCH, LIMIT or FOR, which change what it selects. The line break
// before the ")" keeps a comment at the end of the text from swallowing it.
class CountingQuery
{
public:
    // The counting text, or nothing when `sql` is not a single SELECT.
    static std::optional<QString> countText(const QString &sql);
};

} // namespace db
