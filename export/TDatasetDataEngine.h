#pragma once

#include "TCustomDBDataEngine.h"

// The data engine of an export whose columns come from a dataset
// (ColumnSource csDataSet). The dataset is not owned.
class TDatasetDataEngine : public TCustomDBDataEngine
{
public:
    db::TADOQuery *dataSet() const override { return m_dataSet; }
    void setDataSet(db::TADOQuery *dataSet) { m_dataSet = dataSet; }

private:
    db::TADOQuery *m_dataSet = nullptr;
};
