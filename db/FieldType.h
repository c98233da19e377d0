#pragma once

namespace db {

// Data types of dataset fields and parameters, named as the register
// product's database layer names them.
enum FieldType {
    ftUnknown,
    ftString,
    ftSmallint,
    ftInteger,
    ftWord,
    ftBoolean,
    ftFloat,
    ftCurrency,
    ftBCD,
    ftDate,
    ftTime,
    ftDateTime,
    ftBytes,
    ftVarBytes,
    ftAutoInc,
    ftBlob,
    ftMemo,
    ftGraphic,
    ftFmtMemo,
    ftParadoxOle,
    ftDBaseOle,
    ftTypedBinary,
    ftFixedChar,
    ftWideString,
    ftLargeint,
    ftGuid,
    ftFMTBcd,
    ftVariant,
};

// Integer, float, currency and BCD fields: the numeric fields.
bool isNumericFieldType(FieldType type);
bool isIntegerFieldType(FieldType type);
// Memo and the binary long-value kinds.
bool isBlobFieldType(FieldType type);
const char *fieldTypeName(FieldType type);

enum Alignment { taLeftJustify, taRightJustify, taCenter };

} // namespace db
