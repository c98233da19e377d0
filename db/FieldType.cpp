#include "FieldType.h"

namespace db {

bool isIntegerFieldType(FieldType type)
{
    switch (type) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint:
        return true;
    default:
        return false;
    }
}

bool isNumericFieldType(FieldType type)
{
    switch (type) {
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftFMTBcd:
        return true;
    default:
        return isIntegerFieldType(type);
    }
}

bool isBlobFieldType(FieldType type)
{
    switch (type) {
    case ftBlob:
    case ftMemo:
    case ftGraphic:
    case ftFmtMemo:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
        return true;
    default:
        return false;
    }
}

const char *fieldTypeName(FieldType type)
{
    static const char *const names[] = {
        "ftUnknown", "ftString", "ftSmallint", "ftInteger", "ftWord", "ftBoolean", "ftFloat",
        "ftCurrency", "ftBCD", "ftDate", "ftTime", "ftDateTime", "ftBytes", "ftVarBytes",
        "ftAutoInc", "ftBlob", "ftMemo", "ftGraphic", "ftFmtMemo", "ftParadoxOle", "ftDBaseOle",
        "ftTypedBinary", "ftFixedChar", "ftWideString", "ftLargeint", "ftGuid", "ftFMTBcd", "ftVariant",
    };
    return names[type];
}

} // namespace db
