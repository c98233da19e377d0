#pragma once

#include "BatchOptions.h"

#include <QStringList>

#include <cstdio>
#include <optional>

#include "ExportRequest.h"
#include "PeriodBinding.h"

class ExportSession;

// The headless run of the program: the exports a command line asks for,
// each a request of the options run by an ExportSession, the window's own
// service, so the connection step, the queries and the files are those of
// the window. Messages go to the error stream, in German; the engine's runs
// draw a progress bar there when it is a terminal. The check of DEP 7
// files prints its German report on the output stream.
class BatchRun
{
public:
    explicit BatchRun(std::FILE *messages = stderr);

    // Parses the arguments, runs the exports and returns the exit code.
    int run(const QStringList &arguments);

private:
    int runExports(const BatchOptions &options);
    // The request of the options, as the window with their values would make it.
    static ExportRequest requestOf(const BatchOptions &options);
    static ExportRequest withKind(ExportRequest request, BatchExport which);
    static PeriodBinding::Period periodOf(const BatchOptions &options);
    // The refusal when a file the run would write is one it reads (the
    // database, the DEP 7 file the report is about): nothing is written.
    std::optional<QString> overwrittenInput(const ExportRequest &request, const BatchOptions &options) const;
    // The --output folder, "{period}" replaced by the period's name.
    static QString outputFolder(const BatchOptions &options);
    // Makes the folder with the folders above it, or tells why it cannot.
    bool makeFolder(const QString &folder) const;
    int runExport(ExportSession &session, const ExportRequest &request, const BatchOptions &options,
                  QStringList &writtenDep7Files);
    int runChecks(const BatchOptions &options, const QStringList &files);
    void print(const QString &text) const;

    std::FILE *m_messages;
};
