#include "BatchRun.h"

#include "Base64.h"
#include "BatchPeriod.h"
#include "Dep7Check.h"
#include "Error.h"
#include "Dep7Export.h"
#include "FileIdentity.h"
#include "Dep7ReportFile.h"
#include "DateFieldText.h"
#include "ExportMessageSink.h"
#include "ExportSession.h"
#include "FormatSettings.h"
#include "ShellOpener.h"
#include "SystemErrorText.h"
#include "TerminalProgress.h"
#include "TurnoverCounter.h"
#include "WindowsPath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

// Batch mode's messages: kept for the end of each export, which prints
// them or, with --quiet, only those of a failure.
class CollectedMessages : public ExportMessageSink
{
public:
    explicit CollectedMessages(QStringList &texts) : m_texts(texts) {}
    void message(MessageBoxKind, const QString &text) override { m_texts.append(text); }
    bool openFile(const QString &fileName) override { return ShellOpener::open(fileName); }

private:
    QStringList &m_texts;
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

ExportRequest BatchRun::requestOf(const BatchOptions &options)
{
    // As the window has it: choosing the variant sets its default folder,
    // which an own folder then replaces; the period is the window's first
    // one unless the options name days.
    ExportRequest request;
    request.variant = options.variant;
    request.folder = options.folder.value_or(ProgramVariant::defaultFolder(options.variant).value_or(ExportRequest::defaultFolder));
    request.server = options.server.value_or(ExportRequest::defaultServer);
    request.password = options.password.value_or(ExportRequest::defaultPassword);
    const PeriodBinding::Period period = periodOf(options);
    request.fromText = DateFieldText::text(period.from, FormatSettings::current());
    request.toText = DateFieldText::text(period.to, FormatSettings::current());
    request.cashRegister = options.cashRegister;
    request.allCashRegisters = options.allCashRegisters;
    return request;
}

PeriodBinding::Period BatchRun::periodOf(const BatchOptions &options)
{
    const PeriodBinding::Period first = PeriodBinding::defaultPeriod(QDate::currentDate());
    return {options.from.value_or(first.from), options.to.value_or(first.to)};
}

ExportRequest BatchRun::withKind(ExportRequest request, BatchExport which)
{
    request.kind = which == BatchExport::Dep131 ? ExportKind::Dep131
                   : which == BatchExport::Log  ? ExportKind::Log
                                                : ExportKind::Dep7;
    return request;
}

std::optional<QString> BatchRun::overwrittenInput(const ExportRequest &request, const BatchOptions &options) const
{
    QList<std::pair<QString, QString>> outputs; // what, file (as the messages name it)
    for (BatchExport which : options.exports) {
        ExportRequest one = withKind(request, which);
        one.allCashRegisters = false; // the file of all registers stands for theirs
        outputs.append({exportName(which), ExportSession::fileName(one)});
    }
    struct Input
    {
        QString description;
        QString file;
        qsizetype output; // the output it is, -1 for the database
    };
    QList<Input> inputs;
    if (const std::optional<QString> database = ExportSession::databaseFileName(request))
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

QString BatchRun::outputFolder(const BatchOptions &options)
{
    const QString name = options.periodName.value_or(BatchPeriod::nameOf(periodOf(options)));
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
    ExportRequest request = requestOf(options);
    if (options.outputFolder)
        request.outputFolder = outputFolder(options);
    if (const std::optional<QString> refusal = overwrittenInput(request, options)) {
        print(*refusal);
        return ExitBadInput;
    }
    std::optional<EmptyFolderRemoval> newFolder;
    if (!request.outputFolder.isEmpty() && !QFileInfo(WindowsPath::toLocal(request.outputFolder)).isDir()) {
        if (!makeFolder(request.outputFolder))
            return ExitWriteFailed;
        newFolder.emplace(WindowsPath::toLocal(request.outputFolder));
    }
    ExportSession session;
    for (TExportToText *component : {&session.dep131Export, &session.logExport}) {
        // No progress window and no message box of the engine's own: the
        // run's outcome is told here.
        component->setAnimatedStatus(false);
        component->setActionAfterExport(options.open ? aeOpenView : aeNone);
    }

    int exitCode = ExitSuccess;
    QStringList writtenDep7Files; // local paths
    for (BatchExport which : options.exports) {
        const int code = runExport(session, withKind(request, which), options, writtenDep7Files);
        if (code == ExitBadInput || code == ExitConnectionFailed)
            return code;
        exitCode = combined(exitCode, code);
    }
    if (options.verify && !writtenDep7Files.isEmpty())
        exitCode = combined(exitCode, runChecks(options, writtenDep7Files));
    return exitCode;
}

int BatchRun::runExport(ExportSession &session, const ExportRequest &request, const BatchOptions &options,
                        QStringList &writtenDep7Files)
{
    const bool dep7 = request.kind == ExportKind::Dep7;
    const QString name = request.kind == ExportKind::Dep131 ? exportName(BatchExport::Dep131)
                         : dep7                             ? exportName(BatchExport::Dep7)
                                                            : exportName(BatchExport::Log);
    TExportToText *component = request.kind == ExportKind::Dep131 ? &session.dep131Export
                               : request.kind == ExportKind::Log  ? &session.logExport
                                                                  : nullptr;
    TerminalProgress progress(m_messages, name);
    if (component && !options.quiet) {
        component->onProgress = [&progress](TCustomExportComponent &, qint64 current, qint64 total, bool &) {
            progress.update(current, total);
        };
    }
    QStringList shown;
    CollectedMessages messages(shown);
    const ExportResult result = session.run(request, messages);
    progress.finish();
    if (component)
        component->onProgress = nullptr;

    if (dep7 && result.outcome == ExportOutcome::Written) {
        writtenDep7Files.append(result.files);
        // The engine's exports open their files themselves; the message
        // already names these where no opener is.
        if (options.open) {
            for (const QString &file : result.files)
                ShellOpener::open(file);
        }
    }
    // The DEP 7 export says so itself; the engine's exports end in silence.
    if (result.outcome == ExportOutcome::NoData && !dep7)
        shown.append(BatchMessages::noData(name));

    const int code = exitCodeOf(result.outcome);
    if (!options.quiet || (code != ExitSuccess && code != ExitNoData)) {
        for (const QString &text : std::as_const(shown))
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
