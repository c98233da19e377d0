#pragma once

#include <QString>
#include <QtGlobal>

// The column types of an Access 2000-2003 (Jet 4) table that the writer can
// write. The numbers are the type codes stored in the table definition.
enum class JetType : quint8 {
    Boolean = 0x01,  // Yes/No; Jet keeps it in the row's null mask, so it is never NULL
    Byte = 0x02,     // 0..255
    Integer = 0x03,  // 16-bit signed
    Long = 0x04,     // Long Integer, 32-bit signed
    Currency = 0x05, // 64-bit integer of ten-thousandths
    Single = 0x06,   // 32-bit float
    Double = 0x07,   // 64-bit float
    DateTime = 0x08, // OLE Automation day number (double)
    Binary = 0x09,   // up to 255 bytes
    Text = 0x0A,     // up to 255 characters
    Ole = 0x0B,      // OLE Object: long binary value
    Memo = 0x0C,     // long text, up to 65,535 characters here
    Decimal = 0x10,  // Numeric(precision, scale): sign and 96-bit magnitude, 17 bytes
};

// One column of a table to write: its name, type and, for Text and Binary,
// the maximum length (characters or bytes, 1..255); for Decimal the
// precision (1..28 digits) and scale (0..precision decimals).
//
// The numbers, dates and decimals go into the fixed part of a row, as
// Access puts them; storedAsVariable() keeps one among the variable-length
// values instead, as tables created through SQL DDL do.
struct JetColumn
{
    QString name;
    JetType type = JetType::Long;
    int size = 0;
    int precision = 0;
    int scale = 0;
    bool variableStorage = false;

    static JetColumn text(QString name, int maxChars) { return {std::move(name), JetType::Text, maxChars}; }
    static JetColumn binary(QString name, int maxBytes) { return {std::move(name), JetType::Binary, maxBytes}; }
    static JetColumn of(QString name, JetType type) { return {std::move(name), type, 0}; }
    static JetColumn decimal(QString name, int precision, int scale)
    {
        return {std::move(name), JetType::Decimal, 0, precision, scale};
    }
    JetColumn storedAsVariable() const
    {
        JetColumn column = *this;
        column.variableStorage = true;
        return column;
    }
};

// The type's name as Access shows it ("Long Integer", "Text", ...).
QString jetTypeName(JetType type);
