#pragma once

#include "TADOQuery.h"
#include "TCustomDataEngine.h"

#include <optional>

// A data engine that walks a dataset: the dataset's records, its fields as
// columns, its position restored after the run.
class TCustomDBDataEngine : public TCustomDataEngine
{
public:
    // The dataset walked; nullptr when there is none.
    virtual db::TADOQuery *dataSet() const = 0;

    void enableControls() override;
    void disableControls() override;
    // Also takes a bookmark of the current record...
    void beginExport() override;
    // ...and returns to it.
    void endExport() override;
    // Every field becomes a column, in the dataset's order or, with
    // `rightToLeft`, in reverse.
    void fillColumns(TExportColumns &columns, TExportColumnBands &bands, bool rightToLeft) override;
    bool eof() override;
    void first() override;
    void next() override;
    // The value of the column's field, Null when there is no such field.
    db::Value getValue(const TExportColumn &column) override;
    qint64 recordCount() override;
    bool isRequired(const TExportColumn &column) override;
    bool isReadOnly(const TExportColumn &column) override;
    db::TField *findField(const TExportColumn &column) override;

private:
    std::optional<db::TADOQuery::Bookmark> m_bookmark;
};
