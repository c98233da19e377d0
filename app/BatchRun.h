#pragma once

#include "BatchOptions.h"

#include <QStringList>

#include <cstdio>
#include <optional>

class Tfrm_dep;

// The headless run of the program: the exports a command line asks for,
// made by the main window's own operations on a window that is never shown,
// so the connection step, the queries and the files are those of the
// window. Messages go to the error stream, in German; the engine's runs
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
    // The refusal when a file the run would write is one it reads (the
    // database, the DEP 7 file the report is about): nothing is written.
    std::optional<QString> overwrittenInput(Tfrm_dep &window, const BatchOptions &options) const;
    void fillWindow(Tfrm_dep &window, const BatchOptions &options) const;
    // The --output folder, "{period}" replaced by the period's name.
    static QString outputFolder(const BatchOptions &options, const Tfrm_dep &window);
    // Makes the folder with the folders above it, or tells why it cannot.
    bool makeFolder(const QString &folder) const;
    int runExport(Tfrm_dep &window, BatchExport which, bool quiet);
    int runChecks(const BatchOptions &options, const QStringList &files);
    void print(const QString &text) const;

    std::FILE *m_messages;
    QStringList m_shown;
    std::optional<int> m_cashRegister;
    bool m_open = false;
    bool m_allCashRegisters = false;
    QStringList m_writtenDep7Files; // local paths
};
