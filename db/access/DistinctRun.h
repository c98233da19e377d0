#pragma once

#include <QtGlobal>

#include <vector>

struct sqlite3_stmt;

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
// never equal. The kept rows' room is reused from run to run.
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
    // A kept value: its SQLite type, a number, or the bytes of a text
    // (UTF-16) or blob.
    struct KeptValue
    {
        int type = 0;
        qint64 integer = 0;
        double real = 0;
        std::vector<char> bytes;
    };
    using Row = std::vector<KeptValue>;

    bool equal(int column, const KeptValue &kept) const;
    bool sameKeys(const Row &row) const;
    bool sameRow(const Row &row) const;
    void keepCurrentRow();

    sqlite3_stmt *m_statement;
    std::vector<int> m_keys;
    std::vector<bool> m_jetCollated;
    // The distinct rows of the current run, in the order they came: the
    // first m_runSize of m_run (the others are room kept for reuse).
    std::vector<Row> m_run;
    size_t m_runSize = 0;
};

} // namespace db
