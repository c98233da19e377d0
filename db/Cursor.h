#pragma once

#include "FieldDef.h"
#include "Value.h"

#include <vector>

namespace db {

// A forward-only stream of result rows, as a provider delivers it. The rows
// are not held in memory: each fetch moves to the next row and values are
// read from the current row only.
class Cursor
{
public:
    virtual ~Cursor() = default;

    virtual const std::vector<FieldDef> &fields() const = 0;
    // Moves to the next row; the first call moves to the first row. Returns
    // false when there is no further row. Throws Error on a read failure.
    virtual bool fetch() = 0;
    // The value of column `index` of the current row.
    virtual Value value(int index) = 0;
};

} // namespace db
