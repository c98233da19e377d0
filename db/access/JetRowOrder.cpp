#include "JetRowOrder.h"

#include "JetCollation.h"
#include "JetFile.h"
#include "JetTableDef.h"
#include "JetTableScan.h"
#include "JetValueReader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <unordered_map>

namespace db {

namespace {

// What a distinct text costs in memory beside its own bytes.
constexpr size_t bytesPerDistinctText = 64;

constexpr quint64 signBit = quint64(1) << 63;

// A number as an unsigned key in the same order: negative numbers have
// their bits inverted, the others their sign bit set. 0 is left for NULL
// (it would be a NaN, which SQLite takes as NULL too); -0 equals 0.
quint64 numberKey(double value)
{
    if (std::isnan(value))
        return 0;
    if (value == 0)
        value = 0;
    quint64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    return (bits & signBit) ? ~bits : bits | signBit;
}

QStringView utf16View(const std::string &text)
{
    return QStringView(reinterpret_cast<const char16_t *>(text.data()), qsizetype(text.size() / 2));
}

int compareValues(const auto &a, const auto &b)
{
    return a < b ? -1 : b < a ? 1 : 0;
}

} // namespace

// The keys of one term while the table is read: a number a row, 0 for
// NULL. A text's key is first the number of its distinct value and
// becomes its rank in Jet's text order once the table is read.
struct JetRowOrder::Column
{
    const JetColumnDef *def = nullptr;
    bool isText = false;
    // Text: false once the column held too much distinct text.
    bool ranked = true;
    std::vector<quint64> keys;
    std::unordered_map<std::string, quint64> numbers;
    size_t distinctBytes = 0;
    // The previous row's text and its number: texts come in runs.
    std::string previous;
    quint64 previousNumber = 0;
};

bool JetRowOrder::canOrderBy(const JetColumnDef &column)
{
    switch (JetValueReader::storageOf(column)) {
    case JetValueReader::Storage::Integer:
    case JetValueReader::Storage::Real:
    case JetValueReader::Storage::Text:
        return true;
    case JetValueReader::Storage::Decimal:
    case JetValueReader::Storage::Blob:
        return false;
    }
    return false;
}

JetRowOrder::JetRowOrder(const JetTableDef &table, JetFile &file, JetTableScan &scan, JetValueReader &values,
                         size_t rankedTextBound)
    : m_table(table)
    , m_file(file)
    , m_scan(scan)
    , m_values(values)
    , m_rankedTextBound(rankedTextBound)
{
}

JetRow::Field JetRowOrder::fieldOf(const JetColumnDef &column) const
{
    const JetRow::Field field = m_scan.row().field(column);
    if (field.state == JetRow::Field::Corrupt)
        m_file.fail();
    return field;
}

// The key of a number, date or yes/no column of the current row.
quint64 JetRowOrder::numberKeyOf(const JetColumnDef &column)
{
    if (column.type == JetColumnType::Boolean)
        return numberKey(m_scan.row().booleanValue(column) ? -1 : 0);
    const JetRow::Field field = fieldOf(column);
    if (field.state == JetRow::Field::Null)
        return 0;
    if (JetValueReader::storageOf(column) == JetValueReader::Storage::Integer)
        return numberKey(double(m_values.integer(column, field)));
    return numberKey(m_values.real(column, field));
}

quint64 JetRowOrder::keyOf(Column &column)
{
    if (!column.isText)
        return numberKeyOf(*column.def);
    const JetRow::Field field = fieldOf(*column.def);
    if (field.state == JetRow::Field::Null)
        return 0;
    const QByteArrayView text = m_values.text(*column.def, field);
    if (column.previousNumber != 0 && QByteArrayView(column.previous) == text)
        return column.previousNumber;
    column.previous.assign(text.data(), size_t(text.size()));
    const auto [entry, added] = column.numbers.try_emplace(column.previous, column.numbers.size() + 1);
    column.distinctBytes += added ? column.previous.size() + bytesPerDistinctText : 0;
    if (column.distinctBytes > m_rankedTextBound) {
        column.ranked = false;
        column.numbers = {};
        column.previousNumber = 0;
        return 0;
    }
    column.previousNumber = entry->second;
    return entry->second;
}

// Replaces the numbers of a column's distinct texts by their ranks in
// Jet's text order; texts that compare equal share a rank.
void JetRowOrder::rankTexts(Column &column)
{
    std::vector<std::pair<const std::string *, quint64>> distinct;
    distinct.reserve(column.numbers.size());
    for (const auto &[text, number] : column.numbers)
        distinct.emplace_back(&text, number);
    std::sort(distinct.begin(), distinct.end(), [](const auto &a, const auto &b) {
        return JetCollation::compare(utf16View(*a.first), utf16View(*b.first)) < 0;
    });
    std::vector<quint64> rankOfNumber(distinct.size() + 1, 0);
    quint64 rank = 0;
    for (size_t i = 0; i < distinct.size(); ++i) {
        if (i == 0 || JetCollation::compare(utf16View(*distinct[i - 1].first), utf16View(*distinct[i].first)) != 0)
            ++rank;
        rankOfNumber[distinct[i].second] = rank;
    }
    for (quint64 &key : column.keys)
        key = rankOfNumber[key];
    column.numbers = {};
}

// Row numbers (in table order) sorted by the keys of `columns`, the
// first key beside each row number so that most comparisons stay in one
// array; rows alike in all keys keep table order. The keys are released;
// `alikeAsBefore` tells for each place whether its row's keys are those of
// the row before.
std::vector<quint32> JetRowOrder::sortedByKeys(std::vector<Column> &columns, size_t rows,
                                               std::vector<bool> &alikeAsBefore)
{
    struct Entry
    {
        quint64 key;
        quint32 row;
    };
    std::vector<Entry> entries(rows);
    for (size_t i = 0; i < rows; ++i)
        entries[i] = {columns.empty() ? 0 : columns[0].keys[i], quint32(i)};
    if (!columns.empty())
        columns[0].keys = {};
    const auto compareRest = [&columns](quint32 a, quint32 b) {
        for (size_t t = 1; t < columns.size(); ++t) {
            const quint64 ka = columns[t].keys[a];
            const quint64 kb = columns[t].keys[b];
            if (ka != kb)
                return ka < kb ? -1 : 1;
        }
        return 0;
    };
    std::sort(entries.begin(), entries.end(), [&compareRest](const Entry &a, const Entry &b) {
        if (a.key != b.key)
            return a.key < b.key;
        const int c = compareRest(a.row, b.row);
        return c != 0 ? c < 0 : a.row < b.row;
    });
    alikeAsBefore.assign(rows, false);
    for (size_t i = 1; i < rows; ++i)
        alikeAsBefore[i] = entries[i].key == entries[i - 1].key && compareRest(entries[i].row, entries[i - 1].row) == 0;
    columns.clear();
    std::vector<quint32> order(rows);
    for (size_t i = 0; i < rows; ++i)
        order[i] = entries[i].row;
    return order;
}

std::vector<JetRowOrder::ReadValue> JetRowOrder::readValues(qint64 rowId, std::span<const Term> terms)
{
    m_scan.seek(rowId);
    std::vector<ReadValue> values(terms.size());
    for (size_t t = 0; t < terms.size(); ++t) {
        const JetColumnDef &column = m_table.columns.at(size_t(terms[t].column));
        if (JetValueReader::storageOf(column) != JetValueReader::Storage::Text) {
            values[t].number = numberKeyOf(column);
            continue;
        }
        const JetRow::Field field = fieldOf(column);
        values[t].isText = field.state != JetRow::Field::Null;
        if (values[t].isText)
            values[t].text = m_values.textAsString(column, field);
    }
    return values;
}

// Puts each run of rows alike in the keys held in memory in the order of
// the remaining terms, read again from the file for those rows alone.
void JetRowOrder::sortAlikeRuns(std::vector<quint32> &order, const std::vector<bool> &alikeAsBefore,
                                std::span<const Term> rest, const std::vector<quint32> &rowIds)
{
    const auto compare = [&rest](const std::vector<ReadValue> &a, const std::vector<ReadValue> &b) {
        for (size_t t = 0; t < rest.size(); ++t) {
            // NULL (no text, number 0) first, then numbers, then texts.
            int c = compareValues(a[t].isText, b[t].isText);
            if (c == 0)
                c = a[t].isText ? JetCollation::compare(a[t].text, b[t].text) : compareValues(a[t].number, b[t].number);
            if (c != 0)
                return rest[t].descending ? -c : c;
        }
        return 0;
    };
    for (size_t begin = 0; begin < order.size();) {
        size_t end = begin + 1;
        while (end < order.size() && alikeAsBefore[end])
            ++end;
        if (end - begin > 1) {
            std::vector<std::pair<std::vector<ReadValue>, quint32>> run;
            run.reserve(end - begin);
            for (size_t i = begin; i < end; ++i)
                run.emplace_back(readValues(rowIds[order[i]], rest), order[i]);
            std::sort(run.begin(), run.end(), [&compare](const auto &a, const auto &b) {
                const int c = compare(a.first, b.first);
                return c != 0 ? c < 0 : a.second < b.second;
            });
            for (size_t i = begin; i < end; ++i)
                order[i] = run[i - begin].second;
        }
        begin = end;
    }
}

std::vector<quint32> JetRowOrder::sorted(std::span<const Term> terms)
{
    // The recorded row count is a hint (Jet keeps it loosely), bounded by
    // what the file's pages can hold.
    const auto expectedRows =
        size_t(std::min<quint64>(m_table.rowCount, quint64(m_file.pageCount()) * JetTableScan::maxRowsOnPage));
    std::vector<Column> columns(terms.size());
    for (size_t t = 0; t < terms.size(); ++t) {
        columns[t].def = &m_table.columns.at(size_t(terms[t].column));
        columns[t].isText = JetValueReader::storageOf(*columns[t].def) == JetValueReader::Storage::Text;
        columns[t].keys.reserve(expectedRows);
    }
    std::vector<quint32> rowIds;
    rowIds.reserve(expectedRows);
    // The leading terms whose keys are all in memory; once a text column
    // holds too much, it and the terms after it are read again for the
    // rows the terms before leave alike.
    size_t inMemory = columns.size();
    m_scan.rewind();
    while (m_scan.next()) {
        rowIds.push_back(quint32(m_scan.rowId()));
        for (size_t t = 0; t < inMemory; ++t) {
            columns[t].keys.push_back(keyOf(columns[t]));
            if (!columns[t].ranked) {
                inMemory = t;
                for (size_t u = t; u < columns.size(); ++u)
                    columns[u].keys = {};
            }
        }
    }
    columns.resize(inMemory);
    for (size_t t = 0; t < inMemory; ++t) {
        if (columns[t].isText)
            rankTexts(columns[t]);
        if (terms[t].descending) {
            for (quint64 &key : columns[t].keys)
                key = ~key;
        }
    }
    std::vector<bool> alikeAsBefore;
    std::vector<quint32> order = sortedByKeys(columns, rowIds.size(), alikeAsBefore);
    if (inMemory < terms.size())
        sortAlikeRuns(order, alikeAsBefore, terms.subspan(inMemory), rowIds);
    for (quint32 &row : order)
        row = rowIds[row];
    return order;
}

} // namespace db
