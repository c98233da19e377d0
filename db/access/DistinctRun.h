#pragma once

#include <memory>
#include <vector>

struct sqlite3_stmt;
struct sqlite3_value;

namespace db {

// Drops the duplicate rows of a statement whose rows come ordered by some
// of its result columns (the keys), as OrderedDistinctQuery finds them: all
// duplicates of a row lie in its run of rows with equal keys, so only the
// distinct rows of the current run are kept to compare with, and memory
// grows with the longest run's distinct rows, not with the result.
//
// Rows are compared as SQLite's DISTINCT compares them: NULL equals NULL,
// integers and reals by their numeric value, texts by their column's
// collation (JET or BINARY), blobs byte by byte, values of other kinds
// never equal.
//
//     DistinctRun run(statement, keys, jetCollated);
//     while (statement.step()) { if (run.admit()) ... }
class DistinctRun
{
public:
    // `statement` outlives the run; `keys` are result column numbers;
    // `jetCollated[c]` tells whether result column c compares texts by the
    // JET collation (else BINARY).
    DistinctRun(sqlite3_stmt *statement, std::vector<int> keys, std::vector<bool> jetCollated);

    // True when the statement's current row is the first of its kind; it
    // is then kept to compare the next rows with. False for a duplicate of
    // an earlier row.
    bool admit();

private:
    struct ValueFree
    {
        void operator()(sqlite3_value *value) const;
    };
    using Row = std::vector<std::unique_ptr<sqlite3_value, ValueFree>>;

    bool equal(int column, sqlite3_value *kept) const;
    bool sameKeys(const Row &row) const;
    bool sameRow(const Row &row) const;
    Row currentRow() const;

    sqlite3_stmt *m_statement;
    std::vector<int> m_keys;
    std::vector<bool> m_jetCollated;
    // The distinct rows of the current run, in the order they came.
    std::vector<Row> m_run;
};

} // namespace db
