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
// column order and the map of the pages that hold its rows.
struct JetTableDef
{
    QString name;
    quint32 definitionPage = 0;
    quint32 rowCount = 0;
    bool hasVarColumns = false;
    std::vector<JetColumnDef> columns;
    QByteArray usageMap;
};

} // namespace db
