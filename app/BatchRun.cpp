#include "BatchRun.h"

#include "Base64.h"
#include "DatabaseError.h"
#include "Dep7Check.h"
#include "Dep7Export.h"
#include "Dep7ReportFile.h"
#include "MessageBox.h"
#include "ProgramVariant.h"
#include "TDateEdit.h"
#include "TDirectoryEdit.h"
#include "TRadioGroup.h"
#include "TerminalProgress.h"
#include "Tfrm_dep.h"
#include "TurnoverCounter.h"
#include "WindowsPath.h"

#include <QFileInfo>
#include <QLineEdit>

namespace {

const QString noVariantMessage = QStringLiteral("keine Programmversion ausgewählt!");
const QString noDep7DataMessage = QStringLiteral("keine Daten für Export!");

QString exportName(BatchExport which)
{
    switch (which) {
    case BatchExport::Dep131: return QStringLiteral("DEP 131");
    case BatchExport::Dep7: return QStringLiteral("DEP 7");
    case BatchExport::Log: return QStringLiteral("LOG");
    }
    return {};
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
        print(QString());
        print(BatchOptions::usage());
        return ExitBadInput;
    }
    if (options.help) {
        std::fprintf(stdout, "%s", BatchOptions::usage().toLocal8Bit().constData());
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

int BatchRun::runExports(const BatchOptions &options)
{
    MessagePresenterScope presenter([this](const MessageBoxRequest &box) { m_shown.append(box.text); });
    Tfrm_dep window;
    fillWindow(window, options);
    m_cashRegister = options.cashRegister;
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
        if (code != ExitSuccess && (exitCode == ExitSuccess || exitCode == ExitNoData))
            exitCode = code;
    }
    if (options.verify && !m_writtenDep7Files.isEmpty()) {
        const int code = runChecks(options, m_writtenDep7Files);
        if (exitCode == ExitSuccess)
            exitCode = code;
    }
    return exitCode;
}

int BatchRun::runExport(Tfrm_dep &window, BatchExport which, bool quiet)
{
    m_shown.clear();
    const bool gastro = ProgramVariant::isGastro(window.rg_version->itemIndex());
    TExportToText *component = nullptr;
    db::TADOQuery *query = nullptr;
    if (which == BatchExport::Dep131) {
        component = &window.ex_dep_export;
        query = gastro ? &window.qry_dep_gastro : &window.qry_dep_shop;
    } else if (which == BatchExport::Log) {
        component = &window.ex_log_export;
        query = &window.qry_log;
    }
    TerminalProgress progress(m_messages, exportName(which));
    if (component) {
        component->onProgress = [&progress](TCustomExportComponent &, qint64 current, qint64 total, bool &) {
            progress.update(current, total);
        };
    }

    int code = ExitSuccess;
    QString failure;
    try {
        switch (which) {
        case BatchExport::Dep131: window.btn_dep131_exportClick(); break;
        case BatchExport::Dep7: window.exportDep7(m_cashRegister); break;
        case BatchExport::Log: window.btn_log_exportClick(); break;
        }
        progress.finish();
        if (m_shown.contains(noVariantMessage))
            code = ExitBadInput;
        else if (which == BatchExport::Dep7) {
            code = m_shown.contains(noDep7DataMessage) ? ExitNoData : ExitSuccess;
            if (code == ExitSuccess)
                m_writtenDep7Files.append(WindowsPath::toLocal(Dep7Export::fileName(
                    {window.ed_datenbank->text(), window.ed_vondatum->text(), window.ed_bisdatum->text(), gastro,
                     m_cashRegister})));
        }
        else if (!query->isActive())
            code = ExitQueryFailed; // "SQL Error " and the reason were shown
        else if (query->isEmpty())
            code = ExitNoData;
        else if (component->statistic().result == erFailed)
            code = ExitWriteFailed;
    } catch (const db::ConnectionError &error) {
        code = ExitConnectionFailed;
        failure = errorBoxText(error.message());
    } catch (const db::QueryError &error) {
        code = ExitQueryFailed;
        failure = errorBoxText(error.message());
    } catch (const db::DataError &error) {
        code = ExitDataError;
        failure = errorBoxText(error.message());
    } catch (const std::exception &error) {
        code = ExitWriteFailed;
        failure = errorBoxText(failureMessage(error));
    }
    progress.finish();
    if (component)
        component->onProgress = nullptr;

    if (code == ExitNoData && which != BatchExport::Dep7)
        m_shown.append(QStringLiteral("%1: keine Daten im Zeitraum, keine Datei geschrieben.").arg(exportName(which)));
    if (!failure.isEmpty())
        m_shown.append(failure);
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
                throw Error(QStringLiteral("--aes-key: der Schlüssel ist nicht Base64 von 32 Bytes."));
            checkOptions.aesKey = *key;
        }
        if (options.trustFile)
            checkOptions.trustAnchors = rksv::Certificate::fromPemFile(WindowsPath::toLocal(*options.trustFile));
        for (const QString &file : files) {
            if (!QFileInfo(file).isFile())
                throw Error(QStringLiteral("--verify: die Datei %1 gibt es nicht.").arg(file));
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
