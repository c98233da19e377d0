#pragma once

#include "FieldType.h"
#include "Value.h"

#include <QtGlobal>

#include <functional>

namespace db {
class TField;
}
class TExportColumn;
class TExportColumns;
class TExportColumnBands;

// The adapter through which an export walks its records and fetches values.
// This base walks nothing: it has no records and no fields; its events let
// an owner supply them.
class TCustomDataEngine
{
public:
    TCustomDataEngine() = default;
    virtual ~TCustomDataEngine() = default;
    TCustomDataEngine(const TCustomDataEngine &) = delete;
    TCustomDataEngine &operator=(const TCustomDataEngine &) = delete;

    std::function<void(TCustomDataEngine &)> onFirst;
    std::function<void(TCustomDataEngine &)> onNext;
    std::function<void(TCustomDataEngine &, qint64 &count)> onCount;
    std::function<void(TCustomDataEngine &)> onBeforeExecute;
    std::function<void(TCustomDataEngine &)> onAfterExecute;
    std::function<void(TCustomDataEngine &, TExportColumns &, TExportColumnBands &)> onFillColumns;
    std::function<void(TCustomDataEngine &, const TExportColumn &, db::Value &)> onGetValue;

    // Copied from the export component; the dataset engine exports every
    // record regardless.
    bool selectedRecord = false;

    virtual void enableControls() {}
    virtual void disableControls() {}
    virtual void beginExport();
    virtual void endExport();
    virtual void fillColumns(TExportColumns &columns, TExportColumnBands &bands, bool rightToLeft);
    virtual bool isRecordSelected(qint64 index);
    virtual bool eof() { return true; }
    virtual void first();
    virtual void next();
    virtual db::Value getValue(const TExportColumn &column);
    virtual qint64 recordCount();
    virtual db::FieldType columnFieldType(const TExportColumn &column);
    virtual bool isRequired(const TExportColumn &column);
    virtual bool isReadOnly(const TExportColumn &column);
    virtual db::TField *findField(const TExportColumn &column);
};
