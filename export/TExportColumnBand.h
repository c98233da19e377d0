#pragma once

#include "FieldType.h"
#include "TColor.h"
#include "TFont.h"

#include <QString>

// A caption over a run of neighbouring columns, written as an extra title
// row when the option soExportBands is set.
class TExportColumnBand
{
public:
    db::Alignment alignment = db::taCenter;
    QString caption;
    bool visible = true;
    TFont font;
    TColor color = clSilver;

    void assign(const TExportColumnBand &source);
};
