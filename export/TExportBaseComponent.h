#pragma once

#include "FormatSettings.h"
#include "TCellType.h"
#include "TCustomExportComponent.h"
#include "TExportColumnBands.h"
#include "TExportColumns.h"
#include "TExportDataFormats.h"

#include <QString>

#include <exception>
#include <functional>
#include <memory>
#include <vector>

class TCustomDataEngine;
namespace db {
class TADOQuery;
class TField;
}

// Where an export takes its columns and records from.
enum TColumnSource { csDBGrid, csDataSet, csDataEngine };

// An export of the records of a dataset (or of a data engine): the column
// model, the value texts and the run itself. Execute() reports every failure
// of the run in one message box and in Statistic.Result; it never passes a
// failure on to its caller.
class TExportBaseComponent : public TCustomExportComponent
{
public:
    TExportBaseComponent();
    ~TExportBaseComponent() override;

    db::TADOQuery *dataSet() const { return m_dataSet; }
    void setDataSet(db::TADOQuery *dataSet) { m_dataSet = dataSet; }
    TColumnSource columnSource() const { return m_columnSource; }
    void setColumnSource(TColumnSource source) { m_columnSource = source; }
    // The engine of csDataEngine; not owned.
    TCustomDataEngine *dataEngine() const { return m_dataEngine; }
    void setDataEngine(TCustomDataEngine *engine) { m_dataEngine = engine; }

    // Columns defined here stay; when there are none, a run derives them
    // from the dataset's fields and drops them again at its end.
    TExportColumns &columns() { return m_columns; }
    const TExportColumns &columns() const { return m_columns; }
    TExportColumnBands &bands() { return m_bands; }
    const TExportColumnBands &bands() const { return m_bands; }
    TExportDataFormats &dataFormats() { return m_dataFormats; }

    bool selectedRecord() const { return m_selectedRecord; }
    void setSelectedRecord(bool selected) { m_selectedRecord = selected; }
    bool blankIfZero() const { return m_blankIfZero; }
    void setBlankIfZero(bool blank) { m_blankIfZero = blank; }
    bool rightToLeft() const { return m_rightToLeft; }
    void setRightToLeft(bool rightToLeft) { m_rightToLeft = rightToLeft; }
    bool exportIfEmpty() const { return m_exportIfEmpty; }
    void setExportIfEmpty(bool exportIfEmpty) { m_exportIfEmpty = exportIfEmpty; }

    // Runs the whole export: prepare, write, report, after-export action.
    void execute();
    // What made the last run fail (its result erFailed): the exception
    // thrown on the way, so the caller can tell a database that could not
    // be read from a file that could not be written. Null after a run that
    // did not fail.
    const std::exception_ptr &lastFailure() const { return m_lastFailure; }

    // Per record, before it is written; a record set to not accepted is skipped.
    std::function<void(TExportBaseComponent &sender, bool &accept)> onBeforeRecord;
    // After the move to the next record; `abort` cancels the run.
    std::function<void(TExportBaseComponent &sender, bool &abort)> onAfterRecord;

protected:
    // One cell of a record: its text, its type, the field it shows (nullptr
    // for constants, system variables and missing fields).
    struct ExportCell
    {
        QString text;
        TCellType cellType = ctString;
        db::TField *field = nullptr;
    };

    // Writes the export; the record walk is walkRecords().
    virtual void exportData() = 0;
    // The name the messages and the after-export action use.
    virtual QString targetName() const = 0;
    // The last step of the run's preparation (the file writer fixes its name).
    virtual void prepareTarget() {}
    // Whether date values are re-formatted by the built formats under
    // soFieldMask (the text writer does).
    virtual bool reformatsDates() const { return false; }
    // ROWNO: the data row being written, counted from 1.
    virtual qint64 dataRowNumber() const;

    TCustomDataEngine &engine() { return *m_engine; }
    qint64 recordCount() const { return m_recordCount; }
    // The visible columns in output order.
    int visibleCount() const { return static_cast<int>(m_visible.size()); }
    const TExportColumn &visibleColumn(int position) const { return *m_visible[std::size_t(position)].column; }

    // Walks the records: `writeRecord` is called with the number of records
    // accepted before it, for every record that is accepted, until the end
    // of the records or a cancel. The dataset returns to its record of
    // before the walk.
    void walkRecords(const std::function<void(qint64 accepted)> &writeRecord);
    // The cell of the column at visible `position` in the current record.
    void readCell(int position, ExportCell &cell);
    // Sets `text` to the text of a field's current value under the run's
    // formats, reusing its room.
    void fieldText(const db::TField &field, QString &text) const;
    QString systemVariable(const QString &name) const;

private:
    struct VisibleColumn
    {
        const TExportColumn *column;
        db::TField *field;
    };

    void beforeExecute();
    void afterExecute();
    void runFailed(const QString &message);
    void createEngine();
    void releaseRun();
    void resolveFields();

    db::TADOQuery *m_dataSet = nullptr;
    TColumnSource m_columnSource = csDBGrid;
    TCustomDataEngine *m_dataEngine = nullptr;
    TExportColumns m_columns;
    TExportColumnBands m_bands;
    TExportDataFormats m_dataFormats;
    bool m_selectedRecord = false;
    bool m_blankIfZero = false;
    bool m_rightToLeft = false;
    bool m_exportIfEmpty = true;

    // Run state.
    std::unique_ptr<TCustomDataEngine> m_ownedEngine;
    TCustomDataEngine *m_engine = nullptr;
    qint64 m_recordCount = 0;
    TExportDataFormats m_runFormats;
    QString m_runDateFormat;
    QString m_runTimeFormat;
    // The process's format settings with the run's separators and currency
    // text, for every value the run formats.
    FormatSettings m_runSettings;
    bool m_controlsDisabled = false;
    bool m_derivedColumns = false;
    std::vector<VisibleColumn> m_visible;
    bool m_recordSelected = true;
    std::exception_ptr m_lastFailure;
};
