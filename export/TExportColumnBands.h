#pragma once

#include "TExportColumnBand.h"

#include <memory>
#include <vector>

// The column bands of an export; a column names its band by index.
class TExportColumnBands
{
public:
    TExportColumnBands() = default;
    TExportColumnBands(const TExportColumnBands &) = delete;
    TExportColumnBands &operator=(const TExportColumnBands &) = delete;

    int count() const { return static_cast<int>(m_items.size()); }
    bool isEmpty() const { return m_items.empty(); }
    TExportColumnBand &at(int index) { return *m_items.at(static_cast<std::size_t>(index)); }
    const TExportColumnBand &at(int index) const { return *m_items.at(static_cast<std::size_t>(index)); }
    TExportColumnBand &add();
    void clear() { m_items.clear(); }
    void assign(const TExportColumnBands &source);

private:
    std::vector<std::unique_ptr<TExportColumnBand>> m_items;
};
