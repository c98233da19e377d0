#pragma once

#include "FieldType.h"
#include "TColor.h"

#include <QFont>
#include <QString>

// A caption over a run of neighbouring columns, written as an extra title
// row when the option soExportBands is set.
class TExportColumnBand
{
public:
    db::Alignment alignment = db::taCenter;
    QString caption;
    bool visible = true;
    QFont font;
    TColor color = clSilver;

    void assign(const TExportColumnBand &source);
};
