#pragma once

#include "FieldType.h"
#include "Value.h"

#include <QStringView>

// The value type of an export column or of one cell.
enum TCellType {
    ctBlank,
    ctInteger,
    ctDouble,
    ctString,
    ctDateTime,
    ctDate,
    ctCurrency,
    ctTime,
    ctMEMO,
    ctGraphic,
};

// The cell type that stands for a dataset field type.
TCellType cellTypeOfFieldType(db::FieldType type);

// The numeric fields of the writer's rules: blank-if-zero empties their
// zero values and fixed width pads them on the left.
bool isNumericCellField(db::FieldType type);

// The cell type of a field value. With `blankIfZero` a numeric or date value
// that is Null or zero is ctBlank, and any other value of those types is
// ctString.
TCellType cellTypeOfValue(db::FieldType type, const db::Value &value, bool blankIfZero);
// The same for a value known only as text (a column without a field): an
// empty text counts as Null.
TCellType cellTypeOfText(db::FieldType type, QStringView text, bool blankIfZero);

// The field type that stands for a column's cell type.
db::FieldType fieldTypeOfCellType(TCellType type);
