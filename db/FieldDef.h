#pragma once

#include "FieldType.h"

#include <QString>

namespace db {

// What a provider tells of one column of a result.
struct FieldDef
{
    QString name;
    FieldType type = ftString;
    // Characters for text columns (Text(50) gives 50); 0 where it has no size.
    int size = 0;
    // Significant digits of float fields (15 by default), digits of BCD.
    int precision = 0;
    bool required = false;
    bool readOnly = true;
};

// Display width of a field of `def` as the dataset layer gives it: the size
// for text fields, a fixed width for the other types.
int defaultDisplayWidth(const FieldDef &def);
Alignment defaultAlignment(FieldType type);

} // namespace db
