#include "TExportColumnBands.h"

TExportColumnBand &TExportColumnBands::add()
{
    m_items.push_back(std::make_unique<TExportColumnBand>());
    return *m_items.back();
}

void TExportColumnBands::assign(const TExportColumnBands &source)
{
    if (&source == this)
        return;
    clear();
    for (const auto &band : source.m_items)
        add().assign(*band);
}
