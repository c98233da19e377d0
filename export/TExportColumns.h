#pragma once

#include "TExportColumn.h"

#include <memory>
#include <vector>

// The columns of an export, in output order.
class TExportColumns
{
public:
    TExportColumns() = default;
    TExportColumns(const TExportColumns &) = delete;
    TExportColumns &operator=(const TExportColumns &) = delete;

    int count() const { return static_cast<int>(m_items.size()); }
    bool isEmpty() const { return m_items.empty(); }
    TExportColumn &at(int index) { return *m_items.at(static_cast<std::size_t>(index)); }
    const TExportColumn &at(int index) const { return *m_items.at(static_cast<std::size_t>(index)); }
    // A new column with the defaults of a new item, appended at the end.
    TExportColumn &add();
    void clear() { m_items.clear(); }
    // Replaces the columns with copies of `source`.
    void assign(const TExportColumns &source);

    int visibleCount() const;
    // How many consecutive visible columns, starting at `start`, belong to
    // band `bandIndex` (invisible columns in between are passed over).
    int bandColumnCount(int start, int bandIndex) const;

private:
    std::vector<std::unique_ptr<TExportColumn>> m_items;
};
