#include "TExportColumns.h"

TExportColumn &TExportColumns::add()
{
    m_items.push_back(std::make_unique<TExportColumn>());
    return *m_items.back();
}

void TExportColumns::assign(const TExportColumns &source)
{
    if (&source == this)
        return;
    clear();
    for (const auto &column : source.m_items)
        add().assign(*column);
}

int TExportColumns::visibleCount() const
{
    int n = 0;
    for (const auto &column : m_items)
        n += column->visible ? 1 : 0;
    return n;
}

int TExportColumns::bandColumnCount(int start, int bandIndex) const
{
    int n = 0;
    for (int i = start; i < count(); ++i) {
        const TExportColumn &column = at(i);
        if (!column.visible)
            continue;
        if (column.bandIndex != bandIndex)
            break;
        ++n;
    }
    return n;
}
