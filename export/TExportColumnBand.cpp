#include "TExportColumnBand.h"

void TExportColumnBand::assign(const TExportColumnBand &source)
{
    alignment = source.alignment;
    caption = source.caption;
    visible = source.visible;
    font = source.font;
    color = source.color;
}
