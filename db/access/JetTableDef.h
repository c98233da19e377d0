#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <vector>

namespace db {

// The column type codes of a Jet table definition.
enum class JetColumnType : quint8 {
    Boolean = 0x01,
    Byte = 0x02,
    Integer = 0x03,
    Long = 0x04,
    Currency = 0x05,
    Single = 0x06,
    Double = 0x07,
    DateTime = 0x08,
    Binary = 0x09,
    Text = 0x0A,
    Ole = 0x0B,
    Memo = 0x0C,
    Guid = 0x0F,
    Numeric = 0x10,
};

// Bytes a value of `type` takes: 0 for Boolean (its value is its bit in
// the null mask), -1 for the types whose size is the column's own (Text,
// Binary) or that are long values (Memo, OLE).
inline int jetValueSize(JetColumnType type)
{
    switch (type) {
    case JetColumnType::Boolean: return 0;
    case JetColumnType::Byte: return 1;
    case JetColumnType::Integer: return 2;
    case JetColumnType::Long:
    case JetColumnType::Single: return 4;
    case JetColumnType::Currency:
    case JetColumnType::Double:
    case JetColumnType::DateTime: return 8;
    case JetColumnType::Guid: return 16;
    case JetColumnType::Numeric: return 17;
    default: return -1;
    }
}

// One column of a user table, as far as reading its rows needs it.
struct JetColumnDef
{
    QString name;
    JetColumnType type = JetColumnType::Long;
    // Bytes the column takes: the fixed size, or the most a variable
    // column holds (a Jet 4 text counts two bytes a character).
    int size = 0;
    // The column's bit in a row's null mask.
    int number = 0;
    // Kept in the fixed part of the row. Tables made through SQL DDL may
    // keep numbers and dates among the variable-length values instead.
    bool fixed = false;
    // Fixed columns: offset behind the row's column count, and position
    // among the fixed columns (a row stored before a column was added has
    // fewer fixed columns than the table).
    int fixedOffset = 0;
    int fixedIndex = 0;
    // Variable columns: entry in the row's offset table.
    int varIndex = 0;
    // Numeric columns.
    int precision = 0;
    int scale = 0;
};

// A user table: its name, the page of its definition, its columns in
// column order and the map of the pages that hold its rows. A table whose
// definition cannot be read has no columns and keeps the failure instead:
// only the queries that use it fail, with that text.
struct JetTableDef
{
    QString name;
    quint32 definitionPage = 0;
    QString failure;
    bool readable() const { return failure.isEmpty(); }
    quint32 rowCount = 0;
    bool hasVarColumns = false;
    std::vector<JetColumnDef> columns;
    QByteArray usageMap;
};

} // namespace db
