#include "TCustomDataEngine.h"

#include "TExportColumn.h"
#include "TExportColumnBands.h"
#include "TExportColumns.h"

void TCustomDataEngine::beginExport()
{
    if (onBeforeExecute)
        onBeforeExecute(*this);
}

void TCustomDataEngine::endExport()
{
    if (onAfterExecute)
        onAfterExecute(*this);
}

void TCustomDataEngine::fillColumns(TExportColumns &columns, TExportColumnBands &bands, bool)
{
    columns.clear();
    bands.clear();
    if (onFillColumns)
        onFillColumns(*this, columns, bands);
}

bool TCustomDataEngine::isRecordSelected(qint64)
{
    return true;
}

void TCustomDataEngine::first()
{
    if (onFirst)
        onFirst(*this);
}

void TCustomDataEngine::next()
{
    if (onNext)
        onNext(*this);
}

db::Value TCustomDataEngine::getValue(const TExportColumn &column)
{
    db::Value value;
    if (onGetValue)
        onGetValue(*this, column, value);
    return value;
}

qint64 TCustomDataEngine::recordCount()
{
    qint64 count = 0;
    if (onCount)
        onCount(*this, count);
    return count;
}

db::FieldType TCustomDataEngine::columnFieldType(const TExportColumn &column)
{
    return fieldTypeOfCellType(column.dataType);
}

bool TCustomDataEngine::isRequired(const TExportColumn &)
{
    return false;
}

bool TCustomDataEngine::isReadOnly(const TExportColumn &)
{
    return false;
}

db::TField *TCustomDataEngine::findField(const TExportColumn &)
{
    return nullptr;
}
