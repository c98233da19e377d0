#pragma once

#include "FieldType.h"
#include "TCellType.h"
#include "TColor.h"
#include "TExportColumnTitle.h"
#include "TFont.h"

#include <QString>

// Where the text of a column's cells comes from: a dataset field, the
// column's own constant text, or a system variable (ROWNO, COLNO, COUNT,
// ERRCOUNT, GENERATOR).
enum TColumnKind { ckField, ckConstant, ckSysVar };

// One column of an export: which value it shows and how its cells look.
class TExportColumn
{
public:
    db::Alignment alignment = db::taLeftJustify;
    TColor color = clWhite;
    // The field name; for a constant column the constant text, for a
    // system-variable column the variable's name.
    QString fieldName;
    TFont font;
    // Width in characters, used by fixed-width text.
    int width = 0;
    int precision = 0;
    // Invisible columns are skipped everywhere.
    bool visible = true;
    TExportColumnTitle title;
    TCellType dataType = ctString;
    TColumnKind columnKind = ckField;
    // The column band the column belongs to, -1 for none.
    int bandIndex = -1;

    void assign(const TExportColumn &source);
};
