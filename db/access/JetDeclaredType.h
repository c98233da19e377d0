#pragma once

#include "FieldDef.h"

#include <QString>

namespace db {

struct JetColumnDef;

// The column types the Jet tables declare to SQLite, and back from a
// result column's declared type to the field definition of the dataset:
//
//   Text(n)       TEXT(n) COLLATE JET     ftString, size n
//   Memo          LONGTEXT COLLATE JET    ftMemo
//   Byte          TINYINT                 ftWord (unsigned byte, as ADO maps it)
//   Integer       SMALLINT                ftSmallint
//   Long          INTEGER                 ftInteger
//   Boolean       BIT                     ftBoolean (Jet's True is -1)
//   Single        FLOAT                   ftFloat, precision 15
//   Double        DOUBLE                  ftFloat, precision 15
//   Currency      CURRENCY                ftCurrency
//   Date/Time     DATETIME                ftDateTime (an OLE day number)
//   Binary(n)     BLOB(n)                 ftBlob
//   OLE           LONGBLOB                ftBlob
//   GUID          GUID COLLATE JET        ftGuid, size 38
//   Decimal(p,s)  DECIMAL(p,s)            ftBCD, precision p, size s; ftFMTBcd
//                                         when s > 4 or p - s > 15
//
// A Decimal value comes as an integer when it is whole, as a double when it
// has at most 15 significant digits, else as its exact decimal text.
//
// The names give SQLite the affinities Jet's types behave by (TEXT for the
// texts, INTEGER for the whole numbers, REAL for the floats).
namespace JetDeclaredType {

QString of(const JetColumnDef &column);

// The field of a result column that has the declared type `declared`;
// false when it has none of the types above (an expression).
bool toFieldDef(const QString &declared, FieldDef &def);

} // namespace JetDeclaredType

} // namespace db
