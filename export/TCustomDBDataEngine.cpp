#include "TCustomDBDataEngine.h"

#include "Error.h"
#include "TExportColumn.h"
#include "TExportColumnBands.h"
#include "TExportColumns.h"

namespace {

bool isFloatField(db::FieldType type)
{
    // The float fields and their descendant, the currency field.
    return type == db::ftFloat || type == db::ftCurrency;
}

void addFieldColumn(TExportColumns &columns, const db::TField &field)
{
    TExportColumn &column = columns.add();
    column.alignment = field.alignment();
    column.fieldName = field.fieldName();
    column.color = clWhite;
    column.width = field.displayWidth();
    column.visible = field.visible();
    if (isFloatField(field.dataType()))
        column.precision = field.precision() == 15 ? 0 : field.precision();
    column.dataType = cellTypeOfFieldType(field.dataType());
    column.title.caption = field.displayLabel();
    column.title.alignment = field.alignment();
    column.title.font.setBold(true);
    column.title.color = clSilver;
}

} // namespace

void TCustomDBDataEngine::enableControls()
{
    if (db::TADOQuery *query = dataSet())
        query->enableControls();
}

void TCustomDBDataEngine::disableControls()
{
    if (db::TADOQuery *query = dataSet())
        query->disableControls();
}

void TCustomDBDataEngine::beginExport()
{
    TCustomDataEngine::beginExport();
    if (db::TADOQuery *query = dataSet(); query && query->isActive())
        m_bookmark = query->bookmark();
}

void TCustomDBDataEngine::endExport()
{
    TCustomDataEngine::endExport();
    db::TADOQuery *query = dataSet();
    if (m_bookmark && query && query->isActive())
        query->gotoBookmark(*m_bookmark);
    m_bookmark.reset();
}

void TCustomDBDataEngine::fillColumns(TExportColumns &columns, TExportColumnBands &bands, bool rightToLeft)
{
    TCustomDataEngine::fillColumns(columns, bands, rightToLeft);
    db::TADOQuery *query = dataSet();
    if (!query)
        return;
    const int count = query->fieldCount();
    // The walk reads its first field before testing the bounds, so a dataset
    // without fields fails here instead of giving a file without columns.
    if (count == 0) {
        if (!query->isActive())
            query->field(0); // raises the query's own "not open" error
        throw Error(QStringLiteral("Die Datenmenge hat keine Felder."));
    }
    for (int i = 0; i < count; ++i)
        addFieldColumn(columns, query->field(rightToLeft ? count - 1 - i : i));
}

bool TCustomDBDataEngine::eof()
{
    db::TADOQuery *query = dataSet();
    return !query || query->eof();
}

void TCustomDBDataEngine::first()
{
    TCustomDataEngine::first();
    if (db::TADOQuery *query = dataSet())
        query->first();
}

void TCustomDBDataEngine::next()
{
    TCustomDataEngine::next();
    if (db::TADOQuery *query = dataSet())
        query->next();
}

db::Value TCustomDBDataEngine::getValue(const TExportColumn &column)
{
    if (db::TField *field = findField(column))
        return field->value();
    return {};
}

qint64 TCustomDBDataEngine::recordCount()
{
    db::TADOQuery *query = dataSet();
    return query ? query->recordCount() : 0;
}

bool TCustomDBDataEngine::isRequired(const TExportColumn &column)
{
    db::TField *field = findField(column);
    return field && field->required();
}

bool TCustomDBDataEngine::isReadOnly(const TExportColumn &column)
{
    db::TField *field = findField(column);
    return field && field->readOnly();
}

db::TField *TCustomDBDataEngine::findField(const TExportColumn &column)
{
    db::TADOQuery *query = dataSet();
    return query ? query->findField(column.fieldName) : nullptr;
}
