#pragma once

#include "FieldType.h"
#include "TColor.h"
#include "TFont.h"

#include <QString>

// The title of an export column: the text of its cell in the title row.
class TExportColumnTitle
{
public:
    QString caption;
    db::Alignment alignment = db::taLeftJustify;
    TFont font;
    TColor color = clSilver;

    void assign(const TExportColumnTitle &source);
};
