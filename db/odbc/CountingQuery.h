#pragma once

#include <QString>

#include <optional>

namespace db {

// The record count of a query as the server works it out: "select count(*)
// from (<query>) counted_rows", so that the rows need not come over the
// wire a second time. A trailing ORDER BY is dropped, since SQL Server
// takes none in a derived table (and the count does not depend on it),
// unless it holds a "?" marker or is followed by OFFSET, FETCH, LIMIT or
// FOR, which change what it selects.
class CountingQuery
{
public:
    // The counting text, or nothing when `sql` is not a single SELECT.
    static std::optional<QString> countText(const QString &sql);
};

} // namespace db
