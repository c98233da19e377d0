#include "TCellType.h"

namespace {

// The six rows of the field-type table that blank-if-zero applies to:
// integers, floats, currency, dates, times and date-times.
bool blanksWhenZero(TCellType type)
{
    switch (type) {
    case ctInteger:
    case ctDouble:
    case ctCurrency:
    case ctDate:
    case ctTime:
    case ctDateTime:
        return true;
    default:
        return false;
    }
}

} // namespace

TCellType cellTypeOfFieldType(db::FieldType type)
{
    switch (type) {
    case db::ftSmallint:
    case db::ftInteger:
    case db::ftWord:
    case db::ftAutoInc:
    case db::ftLargeint:
        return ctInteger;
    case db::ftFloat:
    case db::ftBCD:
    case db::ftFMTBcd:
        return ctDouble;
    case db::ftCurrency:
        return ctCurrency;
    case db::ftDate:
        return ctDate;
    case db::ftTime:
        return ctTime;
    case db::ftDateTime:
        return ctDateTime;
    case db::ftBlob:
    case db::ftMemo:
    case db::ftFmtMemo:
    case db::ftParadoxOle:
    case db::ftDBaseOle:
    case db::ftTypedBinary:
        return ctMEMO;
    case db::ftGraphic:
        return ctGraphic;
    default:
        return ctString;
    }
}

TCellType cellTypeOfValue(db::FieldType type, const db::Value &value, bool blankIfZero)
{
    const TCellType cellType = cellTypeOfFieldType(type);
    if (!blankIfZero || !blanksWhenZero(cellType))
        return cellType;
    if (value.isNull() || value.toDouble() == 0.0)
        return ctBlank;
    return ctString;
}

TCellType cellTypeOfText(db::FieldType type, QStringView text, bool blankIfZero)
{
    const TCellType cellType = cellTypeOfFieldType(type);
    if (!blankIfZero || !blanksWhenZero(cellType))
        return cellType;
    bool ok = false;
    const double number = text.toDouble(&ok);
    if (text.isEmpty() || (ok && number == 0.0))
        return ctBlank;
    return ctString;
}

db::FieldType fieldTypeOfCellType(TCellType type)
{
    switch (type) {
    case ctInteger: return db::ftInteger;
    case ctDouble: return db::ftFloat;
    case ctDateTime: return db::ftDateTime;
    case ctDate: return db::ftDate;
    case ctCurrency: return db::ftCurrency;
    case ctTime: return db::ftTime;
    case ctMEMO: return db::ftMemo;
    case ctGraphic: return db::ftGraphic;
    default: return db::ftString;
    }
}

bool isNumericCellField(db::FieldType type)
{
    switch (type) {
    case db::ftSmallint:
    case db::ftInteger:
    case db::ftWord:
    case db::ftFloat:
    case db::ftCurrency:
    case db::ftBCD:
    case db::ftAutoInc:
    case db::ftLargeint:
        return true;
    default:
        return false;
    }
}
