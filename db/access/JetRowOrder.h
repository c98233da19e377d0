#pragma once

#include "JetRow.h"

#include <QString>
#include <QtGlobal>

#include <cstddef>
#include <span>
#include <vector>

namespace db {

class JetFile;
class JetTableScan;
class JetValueReader;
struct JetColumnDef;
struct JetTableDef;

// The rows of a table in the order of an ORDER BY on its columns, as the
// ids JetTableScan::rowId() gives them (which fit 32 bits: a file has at
// most 2^24 pages), so that a query reads its rows in
// that order straight from the file instead of having SQLite sort them
// whole (memo texts included).
//
// Only the keys are held: a number a row and key, texts replaced by their
// rank among the table's distinct texts of that column. Values compare as
// SQLite compares them: NULL first, numbers by value, texts in Jet's text
// order; a descending key reverses that. Rows alike in every key keep the
// order in which the table holds them.
//
// A text column with more distinct text than a bound (a unique memo) is
// not ranked in memory; its values are read again, from the file, only
// for the rows whose earlier keys are alike.
//
//   JetRowOrder order(table, file, scan, values);
//   std::vector<quint32> rows = order.sorted({{idColumn, true}});
class JetRowOrder
{
public:
    struct Term
    {
        int column = 0;
        bool descending = false;
    };

    // Whether rows can be put in order of `column` (numbers, dates,
    // yes/no, texts; not Numeric or binary columns).
    static bool canOrderBy(const JetColumnDef &column);

    // Bytes of distinct text, bookkeeping included, that one column may
    // rank in memory.
    static constexpr size_t defaultRankedTextBound = size_t(8) << 20;

    JetRowOrder(const JetTableDef &table, JetFile &file, JetTableScan &scan, JetValueReader &values,
                size_t rankedTextBound = defaultRankedTextBound);

    // Walks the whole table with `scan` and returns its rows in order.
    std::vector<quint32> sorted(std::span<const Term> terms);

private:
    struct Column;
    // A value of a row read again for the terms not held in memory.
    struct ReadValue
    {
        quint64 number = 0; // numbers and NULL, as keys
        QString text;
        bool isText = false;
    };

    JetRow::Field fieldOf(const JetColumnDef &column) const;
    quint64 numberKeyOf(const JetColumnDef &column);
    quint64 keyOf(Column &column);
    static void rankTexts(Column &column);
    static std::vector<quint32> sortedByKeys(std::vector<Column> &columns, size_t rows,
                                             std::vector<bool> &alikeAsBefore);
    void sortAlikeRuns(std::vector<quint32> &order, const std::vector<bool> &alikeAsBefore,
                       std::span<const Term> rest, const std::vector<quint32> &rowIds);
    std::vector<ReadValue> readValues(qint64 rowId, std::span<const Term> terms);

    const JetTableDef &m_table;
    JetFile &m_file;
    JetTableScan &m_scan;
    JetValueReader &m_values;
    size_t m_rankedTextBound;
};

} // namespace db
