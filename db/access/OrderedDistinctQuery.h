#pragma once

#include "DistinctRun.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

struct sqlite3_stmt;

namespace db {

// A "select distinct" whose ORDER BY names only columns of its result, as
// the DEP 7 receipts query is:
//
//     select distinct A, B, C from T where ... order by A, C
//
// Two rows alike in every result column are alike in the ORDER BY's keys
// too, so the ordered rows bring every duplicate into one run of rows with
// equal keys. Such a query runs without its DISTINCT and its duplicates are
// dropped run by run (DistinctRun): the same rows in the same order, the
// first of each kind kept, as SQLite gives them. SQLite itself would keep
// every distinct row, long texts and all, in a temporary B-tree, because it
// cannot know that the rows come ordered.
//
// Typical use, on the connection's statements:
//
//     if (const auto query = OrderedDistinctQuery::of(sql)) {
//         SqliteStatement statement(db, query->textWithoutDistinct());
//         if (std::optional<DistinctRun> run = query->distinctRun(statement.handle()))
//             ... step the statement, keep the rows run->admit() admits ...
//     }
class OrderedDistinctQuery
{
public:
    // The query when `sql` is one SELECT with DISTINCT right after the
    // word SELECT, no UNION, INTERSECT or EXCEPT, and a last ORDER BY of
    // plain column names (each optionally ASC or DESC) with nothing after
    // it; nothing otherwise.
    static std::optional<OrderedDistinctQuery> of(const QString &sql);

    // The text with the word DISTINCT blanked out (every other character
    // at its place, so the "?" markers keep their numbers).
    const QString &textWithoutDistinct() const { return m_text; }

    // The run that drops the duplicates of `statement` (prepared from
    // textWithoutDistinct()), its keys the result columns the ORDER BY
    // names; nothing when a name is not exactly one result column's, or a
    // result column is not a plain column of a table compared by the
    // BINARY or the JET collation, since the run's comparison would then
    // not be SQLite's.
    std::optional<DistinctRun> distinctRun(sqlite3_stmt *statement) const;

private:
    QString m_text;
    QStringList m_orderNames;
};

} // namespace db
