#include "TExportColumnTitle.h"

void TExportColumnTitle::assign(const TExportColumnTitle &source)
{
    caption = source.caption;
    alignment = source.alignment;
    font = source.font;
    color = source.color;
}
