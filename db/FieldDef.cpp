#include "FieldDef.h"

namespace db {

int defaultDisplayWidth(const FieldDef &def)
{
    switch (def.type) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
        return def.size;
    case ftSmallint: return 6;
    case ftWord: return 5;
    case ftInteger:
    case ftAutoInc: return 11;
    case ftLargeint: return 15;
    case ftBoolean: return 5;
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftFMTBcd: return 10;
    case ftDate:
    case ftTime:
    case ftDateTime: return 18;
    case ftGuid: return 38;
    default: return 10;
    }
}

Alignment defaultAlignment(FieldType type)
{
    return isNumericFieldType(type) ? taRightJustify : taLeftJustify;
}

} // namespace db
