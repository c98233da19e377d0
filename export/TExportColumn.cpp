#include "TExportColumn.h"

void TExportColumn::assign(const TExportColumn &source)
{
    alignment = source.alignment;
    color = source.color;
    fieldName = source.fieldName;
    font = source.font;
    width = source.width;
    precision = source.precision;
    visible = source.visible;
    title.assign(source.title);
    dataType = source.dataType;
    columnKind = source.columnKind;
    bandIndex = source.bandIndex;
}
