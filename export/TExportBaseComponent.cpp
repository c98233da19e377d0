#include "TExportBaseComponent.h"

#include "DatabaseError.h"
#include "Error.h"
#include "ExportLanguage.h"
#include "OleDate.h"
#include "TADOQuery.h"
#include "TDatasetDataEngine.h"

#include <QScopeGuard>

namespace {

bool isDateTimeType(db::FieldType type)
{
    return type == db::ftDate || type == db::ftTime || type == db::ftDateTime;
}

} // namespace

TExportBaseComponent::TExportBaseComponent()
{
    m_dataFormats.booleanTrue = QStringLiteral("Wahr");
    m_dataFormats.booleanFalse = QStringLiteral("Falsch");
}

TExportBaseComponent::~TExportBaseComponent()
{
    releaseRun();
}

void TExportBaseComponent::execute()
{
    // Whatever happens, the cursor, the dataset's
    // controls and the progress window are put back.
    auto cleanup = qScopeGuard([this] { releaseRun(); });
    m_lastFailure = nullptr;
    try {
        beforeExecute();
        exportData();
    } catch (const db::QueryError &error) {
        // The rows could not be read: the database's fault, not the file's.
        m_lastFailure = std::current_exception();
        runFailed(ExportLanguage::readFailed() + QStringLiteral(": ") + error.message());
    } catch (const Error &error) {
        m_lastFailure = std::current_exception();
        runFailed(error.message());
    } catch (const std::exception &error) {
        m_lastFailure = std::current_exception();
        runFailed(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        m_lastFailure = std::current_exception();
        runFailed(QStringLiteral("Unbekannter Fehler"));
    }
    afterExecute();
}

void TExportBaseComponent::beforeExecute()
{
    TExportStatistic &stat = statistic();
    stat.result = erInProgress;
    stat.currentRow = 0;
    stat.currentColumn = 0;
    if (onBeforeExecute)
        onBeforeExecute(*this);

    createEngine();
    m_recordCount = m_engine->recordCount();

    if (m_dataFormats.useRegionalSettings)
        m_dataFormats.loadRegional(FormatSettings::current());
    m_runFormats = m_dataFormats;
    m_runDateFormat = m_runFormats.dateFormat();
    m_runTimeFormat = m_runFormats.timeFormat();
    m_runSettings = m_runFormats.installedInto(FormatSettings::current());

    if (options().contains(soDisableControls)) {
        m_engine->disableControls();
        m_controlsDisabled = true;
    }
    if (options().contains(soWaitCursor))
        beginWaitCursor();

    clearCanceled();
    if (animatedStatus())
        openProgressWindow(std::max<qint64>(m_recordCount, 0));

    if (m_columns.isEmpty()) {
        m_derivedColumns = true;
        m_engine->fillColumns(m_columns, m_bands, m_rightToLeft);
    }

    stat.totalCount = 0;
    m_visible.clear();
    for (int i = 0; i < m_columns.count(); ++i) {
        if (m_columns.at(i).visible)
            m_visible.push_back({&m_columns.at(i), nullptr});
    }

    prepareTarget();
}

void TExportBaseComponent::createEngine()
{
    const auto missing = [this](const char *property) {
        return Error(languageString(ExportLanguage::PropertyNotSpecified).replace(QLatin1String("%s"), QLatin1String(property)));
    };
    switch (m_columnSource) {
    case csDataSet: {
        if (!m_dataSet)
            throw missing("Dataset");
        auto engine = std::make_unique<TDatasetDataEngine>();
        engine->setDataSet(m_dataSet);
        m_ownedEngine = std::move(engine);
        m_engine = m_ownedEngine.get();
        break;
    }
    case csDataEngine:
        if (!m_dataEngine)
            throw missing("DataEngine");
        m_engine = m_dataEngine;
        break;
    case csDBGrid:
        // There are no grids in this program to take columns from.
        throw missing("DBGrid");
    }
    m_engine->selectedRecord = m_selectedRecord;
}

void TExportBaseComponent::runFailed(const QString &message)
{
    statistic().result = erFailed;
    // The always-on-top progress window would cover the box.
    hideProgressWindow();
    showMessage(languageString(ExportLanguage::ExportFailed) + QStringLiteral(": ") + message);
}

void TExportBaseComponent::afterExecute()
{
    TExportStatistic &stat = statistic();
    QString message;
    if (stat.result != erFailed) {
        if (canceled()) {
            stat.result = erCanceled;
            message = languageString(ExportLanguage::CanceledByUser);
        } else {
            stat.result = erCompleted;
            message = succeededText(targetName());
        }
    }

    if (onProgress) {
        bool abort = false;
        onProgress(*this, m_recordCount, m_recordCount, abort);
    }
    if (animatedStatus() && progressWindowOpen()) {
        updateProgress(message, m_recordCount, true);
        closeProgressWindow();
    }
    const bool told = !message.isEmpty() && (!animatedStatus() || stat.result == erFailed)
        && options().contains(soShowMessage);
    if (!message.isEmpty() && (!animatedStatus() || stat.result == erFailed))
        showMessage(message);
    if (stat.result != erFailed)
        performActionAfterExport(targetName(), told);

    releaseRun();
    if (onAfterExecute)
        onAfterExecute(*this);
}

void TExportBaseComponent::releaseRun()
{
    endWaitCursor();
    closeProgressWindow();
    if (m_controlsDisabled && m_engine)
        m_engine->enableControls();
    m_controlsDisabled = false;
    m_ownedEngine.reset();
    m_engine = nullptr;
    if (m_derivedColumns) {
        m_columns.clear();
        m_bands.clear();
        m_derivedColumns = false;
    }
    m_visible.clear();
}

void TExportBaseComponent::resolveFields()
{
    // The fields of an open dataset do not change during the walk, so each
    // column's field is looked up once.
    for (VisibleColumn &v : m_visible)
        v.field = v.column->columnKind == ckField ? m_engine->findField(*v.column) : nullptr;
}

void TExportBaseComponent::walkRecords(const std::function<void(qint64 accepted)> &writeRecord)
{
    TCustomDataEngine &e = *m_engine;
    const QString exporting = languageString(ExportLanguage::Exporting);
    e.beginExport();
    try {
        e.first();
        const qint64 count = e.recordCount();
        resolveFields();
        qint64 accepted = 0;
        qint64 index = 0;
        while (!canceled() && !e.eof()) {
            updateProgress(exporting, accepted);
            bool accept = true;
            if (onBeforeRecord)
                onBeforeRecord(*this, accept);
            if (accept) {
                bool abort = false;
                if (onProgress)
                    onProgress(*this, accepted, count, abort);
                if (abort) {
                    cancel();
                    break;
                }
                m_recordSelected = e.isRecordSelected(index);
                writeRecord(accepted);
                ++accepted;
            }
            e.next();
            ++index;
            bool abort = false;
            if (onAfterRecord)
                onAfterRecord(*this, abort);
            if (abort)
                cancel();
        }
    } catch (...) {
        try {
            e.endExport();
        } catch (...) {
        }
        throw;
    }
    e.endExport();
}

void TExportBaseComponent::readCell(int position, ExportCell &cell)
{
    const VisibleColumn &v = m_visible[std::size_t(position)];
    const TExportColumn &column = *v.column;
    statistic().currentColumn = position + 1;
    switch (column.columnKind) {
    case ckField:
        if (v.field && m_recordSelected) {
            fieldText(*v.field, cell.text);
            cell.cellType = cellTypeOfValue(v.field->dataType(), v.field->value(), m_blankIfZero);
            cell.field = v.field;
        } else {
            const db::Value value = m_engine->getValue(column);
            cell.text = value.isNull() ? QString() : value.toText(m_runSettings);
            cell.cellType = cellTypeOfText(m_engine->columnFieldType(column), cell.text, m_blankIfZero);
            cell.field = nullptr;
        }
        break;
    case ckConstant:
        cell.text = column.fieldName;
        cell.cellType = column.dataType;
        cell.field = nullptr;
        break;
    case ckSysVar:
        cell.text = systemVariable(column.fieldName);
        cell.cellType = column.dataType;
        cell.field = nullptr;
        break;
    }
}

void TExportBaseComponent::fieldText(const db::TField &field, QString &text) const
{
    // Formatted into the cell's own buffer, which keeps its room from cell
    // to cell: resize(0), where clear() would give the room back.
    text.resize(0);
    const db::FieldType type = field.dataType();
    const bool masked = options().contains(soFieldMask);
    if (masked && type == db::ftBoolean) {
        if (!field.isNull())
            text += field.value().toBool() ? m_runFormats.booleanTrue : m_runFormats.booleanFalse;
    } else if (masked) {
        text += field.displayText(m_runSettings);
    } else {
        field.appendText(text, m_runSettings);
    }

    if (m_blankIfZero) {
        const db::Value &value = field.value();
        if (isNumericCellField(type) || isDateTimeType(type)) {
            if (value.isNull() || value.toDouble() == 0.0)
                text.resize(0);
        } else if (value.isNull()) {
            text.resize(0);
        }
    }

    if (masked && reformatsDates() && !text.isEmpty() && isDateTimeType(type)) {
        const double day = field.value().toDouble();
        const FormatSettings &settings = m_runSettings;
        if (type == db::ftDate)
            text = TextFormat::formatDateTime(m_runDateFormat, day, settings);
        else if (type == db::ftTime)
            text = TextFormat::formatDateTime(m_runTimeFormat, day, settings);
        else if (OleDate::timeOfDayMs(day) == 0)
            text = TextFormat::formatDateTime(m_runDateFormat, day, settings);
        else
            text = TextFormat::formatDateTime(m_runDateFormat + u' ' + m_runTimeFormat, day, settings);
    }
}

qint64 TExportBaseComponent::dataRowNumber() const
{
    return statistic().currentRow + 1;
}

QString TExportBaseComponent::systemVariable(const QString &name) const
{
    const QString key = name.trimmed().toUpper();
    if (key == u"ROWNO")
        return QString::number(dataRowNumber());
    if (key == u"COLNO")
        return QString::number(statistic().currentColumn);
    if (key == u"COUNT")
        return QString::number(statistic().totalCount);
    if (key == u"ERRCOUNT")
        return QString::number(statistic().totalErrors);
    if (key == u"GENERATOR")
        return keyGenerator();
    return {};
}
