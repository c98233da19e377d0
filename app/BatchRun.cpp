#include "BatchRun.h"

#include "Base64.h"
#include "BatchPeriod.h"
#include "Dep7Check.h"
#include "Error.h"
#include "Dep7Export.h"
#include "FileIdentity.h"
#include "Dep7ReportFile.h"
#include "MessageBox.h"
#include "ShellOpener.h"
#include "SystemErrorText.h"
#include "TDateEdit.h"
#include "TDirectoryEdit.h"
#include "TRadioGroup.h"
#include "TerminalProgress.h"
#include "Tfrm_dep.h"
#include "TurnoverCounter.h"
#include "WindowsPath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {

QString exportName(BatchExport which)
{
    switch (which) {
    case BatchExport::Dep131: return QStringLiteral("DEP 131");
    case BatchExport::Dep7: return QStringLiteral("DEP 7");
    case BatchExport::Log: return QStringLiteral("LOG");
    }
    return {};
}

int exitCodeOf(ExportOutcome outcome)
{
    switch (outcome) {
    case ExportOutcome::Written:
    case ExportOutcome::Cancelled: return ExitSuccess;
    case ExportOutcome::NoVariant: return ExitBadInput;
    case ExportOutcome::NotConnected: return ExitConnectionFailed;
    case ExportOutcome::NoData: return ExitNoData;
    case ExportOutcome::QueryFailed: return ExitQueryFailed;
    case ExportOutcome::WriteFailed: return ExitWriteFailed;
    case ExportOutcome::DataError: return ExitDataError;
    }
    return ExitWriteFailed;
}

// The code of a run so far and one more outcome: a real failure (2 to 7)
// outranks "no data" (1), which outranks success; of two failures the
// first stays.
int combined(int current, int next)
{
    if (current >= ExitBadInput)
        return current;
    if (next >= ExitBadInput)
        return next;
    return std::max(current, next);
}

// Restores the window's message boxes when the run ends.
class MessagePresenterScope
{
public:
    explicit MessagePresenterScope(MessageBoxPresenter presenter) { setMessageBoxPresenter(std::move(presenter)); }
    ~MessagePresenterScope() { setMessageBoxPresenter({}); }
    MessagePresenterScope(const MessagePresenterScope &) = delete;
    MessagePresenterScope &operator=(const MessagePresenterScope &) = delete;
};

// Removes a folder the run made when the run leaves it empty (no export
// wrote a file), so that a failed backup leaves no folder that looks like one.
class EmptyFolderRemoval
{
public:
    explicit EmptyFolderRemoval(QString path) : m_path(std::move(path)) {}
    ~EmptyFolderRemoval() { QDir().rmdir(m_path); } // only an empty one goes
    EmptyFolderRemoval(const EmptyFolderRemoval &) = delete;
    EmptyFolderRemoval &operator=(const EmptyFolderRemoval &) = delete;

private:
    QString m_path;
};

} // namespace

BatchRun::BatchRun(std::FILE *messages) : m_messages(messages) {}

void BatchRun::print(const QString &text) const
{
    // The connection message separates its lines with a lone CR, which a
    // terminal would draw over.
    QString line = text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    std::fprintf(m_messages, "%s\n", line.toLocal8Bit().constData());
    std::fflush(m_messages);
}

int BatchRun::run(const QStringList &arguments)
{
    BatchOptions options;
    try {
        options = BatchOptions::parse(arguments);
    } catch (const Error &failure) {
        print(failure.message());
        print(QStringLiteral("Aufruf: DepExport --help"));
        return ExitBadInput;
    }
    if (options.help) {
        std::fprintf(stdout, "%s", BatchOptions::usage().toLocal8Bit().constData());
        return ExitSuccess;
    }
    if (options.version) {
        std::fprintf(stdout, "DepExport %s\n", DEPEXPORT_VERSION);
        return ExitSuccess;
    }
    if (!options.verifyFiles.isEmpty()) {
        QStringList files;
        for (const QString &file : std::as_const(options.verifyFiles))
            files.append(WindowsPath::toLocal(file));
        return runChecks(options, files);
    }
    return runExports(options);
}

void BatchRun::fillWindow(Tfrm_dep &window, const BatchOptions &options) const
{
    // As on the window: choosing the variant sets its default folder, which
    // an own folder then replaces; the show handler fills in the period and
    // the password, which the options then replace.
    window.rg_version->setItemIndex(options.variant);
    if (options.folder)
        window.ed_datenbank->setText(*options.folder);
    if (options.server)
        window.ed_servername->setText(*options.server);
    window.FormShow();
    if (options.password)
        window.ed_passwort->setText(*options.password);
    if (options.from)
        window.ed_vondatum->setDate(*options.from);
    if (options.to)
        window.ed_bisdatum->setDate(*options.to);
}

std::optional<QString> BatchRun::overwrittenInput(Tfrm_dep &window, const BatchOptions &options) const
{
    QList<std::pair<QString, QString>> outputs; // what, file (as the messages name it)
    for (BatchExport which : options.exports) {
        const QString file = which == BatchExport::Dep131 ? window.exportFileName(Tfrm_dep::dep131FileName)
                             : which == BatchExport::Log  ? window.exportFileName(Tfrm_dep::logFileName)
                                                          : Dep7Export::fileName(window.dep7Request(options.cashRegister));
        outputs.append({exportName(which), file});
    }
    struct Input
    {
        QString description;
        QString file;
        qsizetype output; // the output it is, -1 for the database
    };
    QList<Input> inputs;
    if (const std::optional<QString> database = window.databaseFileName())
        inputs.append({QStringLiteral("die Datenbank"), *database, -1});
    if (options.reportFile) {
        // The report may replace neither the database nor a file of the run.
        for (qsizetype i = 0; i < outputs.size(); ++i)
            inputs.append({QStringLiteral("die Exportdatei"), outputs.at(i).second, i});
        outputs.append({QStringLiteral("--report"), *options.reportFile});
    }
    for (qsizetype i = 0; i < outputs.size(); ++i) {
        const auto &[what, output] = outputs.at(i);
        for (const Input &input : std::as_const(inputs)) {
            if (input.output != i && FileIdentity::same(WindowsPath::toLocal(output), WindowsPath::toLocal(input.file)))
                return BatchMessages::sameFile(what, output, input.description + u' ' + input.file);
        }
    }
    return std::nullopt;
}

QString BatchRun::outputFolder(const BatchOptions &options, const Tfrm_dep &window)
{
    const QString name = options.periodName.value_or(
        BatchPeriod::nameOf({window.ed_vondatum->date(), window.ed_bisdatum->date()}));
    QString folder = *options.outputFolder;
    return folder.replace(QStringLiteral("{period}"), name);
}

bool BatchRun::makeFolder(const QString &folder) const
{
    std::error_code failure;
    std::filesystem::create_directories(QFile::encodeName(WindowsPath::toLocal(folder)).toStdString(), failure);
    if (failure)
        print(BatchMessages::outputFolderNotMade(folder, SystemErrorText::of(failure.value())));
    return !failure;
}

int BatchRun::runExports(const BatchOptions &options)
{
    MessagePresenterScope presenter([this](const MessageBoxRequest &box) { m_shown.append(box.text); });
    Tfrm_dep window;
    fillWindow(window, options);
    const std::optional<QString> folder = options.outputFolder ? std::optional(outputFolder(options, window)) : std::nullopt;
    if (folder)
        window.setOutputFolder(*folder);
    m_cashRegister = options.cashRegister;
    m_open = options.open;
    m_allCashRegisters = options.allCashRegisters;
    if (const std::optional<QString> refusal = overwrittenInput(window, options)) {
        print(*refusal);
        return ExitBadInput;
    }
    std::optional<EmptyFolderRemoval> newFolder;
    if (folder && !QFileInfo(WindowsPath::toLocal(*folder)).isDir()) {
        if (!makeFolder(*folder))
            return ExitWriteFailed;
        newFolder.emplace(WindowsPath::toLocal(*folder));
    }
    for (TExportToText *component : {&window.ex_dep_export, &window.ex_log_export}) {
        // No progress window and no message box of the engine's own: the
        // run's outcome is told here.
        component->setAnimatedStatus(false);
        component->setActionAfterExport(options.open ? aeOpenView : aeNone);
    }

    int exitCode = ExitSuccess;
    for (BatchExport which : options.exports) {
        const int code = runExport(window, which, options.quiet);
        if (code == ExitBadInput || code == ExitConnectionFailed)
            return code;
        exitCode = combined(exitCode, code);
    }
    if (options.verify && !m_writtenDep7Files.isEmpty())
        exitCode = combined(exitCode, runChecks(options, m_writtenDep7Files));
    return exitCode;
}

int BatchRun::runExport(Tfrm_dep &window, BatchExport which, bool quiet)
{
    m_shown.clear();
    TExportToText *component = which == BatchExport::Dep131 ? &window.ex_dep_export
                               : which == BatchExport::Log  ? &window.ex_log_export
                                                            : nullptr;
    TerminalProgress progress(m_messages, exportName(which));
    if (component && !quiet) {
        component->onProgress = [&progress](TCustomExportComponent &, qint64 current, qint64 total, bool &) {
            progress.update(current, total);
        };
    }

    ExportOutcome outcome = ExportOutcome::Written;
    const qsizetype dep7FilesBefore = m_writtenDep7Files.size();
    switch (which) {
    case BatchExport::Dep131: outcome = window.exportDep131(); break;
    case BatchExport::Dep7:
        if (m_allCashRegisters)
            outcome = window.exportDep7PerRegister(m_writtenDep7Files);
        else
            outcome = window.exportDep7(m_cashRegister);
        break;
    case BatchExport::Log: outcome = window.exportLog(); break;
    }
    progress.finish();
    if (component)
        component->onProgress = nullptr;

    if (which == BatchExport::Dep7 && outcome == ExportOutcome::Written) {
        if (!m_allCashRegisters)
            m_writtenDep7Files.append(WindowsPath::toLocal(Dep7Export::fileName(window.dep7Request(m_cashRegister))));
        // The engine's exports open their files themselves; the message
        // already names these where no opener is.
        if (m_open) {
            for (qsizetype i = dep7FilesBefore; i < m_writtenDep7Files.size(); ++i)
                ShellOpener::open(m_writtenDep7Files.at(i));
        }
    }
    // The DEP 7 export says so itself; the engine's exports end in silence.
    if (outcome == ExportOutcome::NoData && which != BatchExport::Dep7)
        m_shown.append(BatchMessages::noData(exportName(which)));

    const int code = exitCodeOf(outcome);
    if (!quiet || (code != ExitSuccess && code != ExitNoData)) {
        for (const QString &text : std::as_const(m_shown))
            print(text);
    }
    return code;
}

int BatchRun::runChecks(const BatchOptions &options, const QStringList &files)
{
    rksv::Dep7CheckOptions checkOptions;
    std::optional<rksv::Dep7ReportFile> report;
    try {
        if (options.aesKey) {
            const auto key = rksv::Base64::decode(options.aesKey->trimmed().toLatin1());
            if (!key || key->size() != rksv::TurnoverCounter::keySize)
                throw Error(BatchMessages::badAesKey());
            checkOptions.aesKey = *key;
        }
        if (options.trustFile)
            checkOptions.trustAnchors = rksv::Certificate::fromPemFile(WindowsPath::toLocal(*options.trustFile));
        for (const QString &file : files) {
            if (!QFileInfo::exists(file))
                throw Error(BatchMessages::missingFile(file));
            if (!QFileInfo(file).isFile())
                throw Error(BatchMessages::notAFile(file));
            if (options.reportFile && FileIdentity::same(WindowsPath::toLocal(*options.reportFile), file))
                throw Error(BatchMessages::sameFile(QStringLiteral("--report"), *options.reportFile,
                                                    QStringLiteral("die geprüfte Datei %1").arg(file)));
        }
    } catch (const Error &failure) {
        print(failure.message());
        return ExitBadInput;
    }

    const rksv::Dep7Check check(std::move(checkOptions));
    bool passed = true;
    try {
        if (options.reportFile)
            report.emplace(WindowsPath::toLocal(*options.reportFile));
        for (const QString &file : files) {
            if (report)
                report->beginFile(file);
            const rksv::Dep7CheckResult result = check.run(file, [&report](const rksv::Dep7Problem &problem) {
                if (report)
                    report->problem(problem);
            });
            if (report)
                report->endFile(result);
            passed = passed && result.passed();
            if (!options.quiet || !result.passed()) {
                std::fprintf(stdout, "%s\n", result.text().toLocal8Bit().constData());
                std::fflush(stdout);
            }
        }
        if (report)
            report->close();
    } catch (const Error &failure) {
        print(failure.message());
        return ExitWriteFailed;
    }
    return passed ? ExitSuccess : ExitCheckFailed;
}
