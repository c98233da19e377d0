#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The three exports a batch run can make, in the order they run.
enum class BatchExport { Dep131, Dep7, Log };

// What a batch run was asked to do: the same inputs as the window's fields.
// Unset texts take the window's defaults when the run starts.
struct BatchOptions
{
    int variant = -1;
    std::optional<QString> folder;
    std::optional<QString> password;
    std::optional<QString> server;
    std::optional<QDate> from;
    std::optional<QDate> to;
    // The text that names the period in --output's "{period}": the
    // --period's name ("2026-Q3"), else set from the run's dates.
    std::optional<QString> periodName;
    // Where the files go instead of the database folder; "{period}" in it
    // stands for the period's name.
    std::optional<QString> outputFolder;
    std::vector<BatchExport> exports{BatchExport::Dep131, BatchExport::Dep7, BatchExport::Log};
    std::optional<int> cashRegister; // DEP 7 of this register only
    bool allCashRegisters = false;   // DEP 7 of each register into a file of its own
    // Check DEP 7 files: those named (then no export runs) or, with none
    // named, the one the run's DEP 7 export writes.
    bool verify = false;
    QStringList verifyFiles;
    std::optional<QString> aesKey;     // base64 of the register's 32-byte key
    std::optional<QString> trustFile;  // PEM trust anchors
    std::optional<QString> reportFile; // the check's result as JSON
    bool open = false;
    bool quiet = false;
    bool help = false;
    bool version = false;

    // Reads the command line's arguments (without the program name). Dates
    // are read in the window's date format or as ISO dates (2019-03-01);
    // the relative periods of --period ("last-quarter") count from `today`.
    // Throws Error with a German message on bad arguments.
    static BatchOptions parse(const QStringList &arguments, QDate today = QDate::currentDate());
    // The help text, in German.
    static QString usage();
    // Whether a command line opens the window: one without arguments or
    // with Qt's own options only (-platform xcb, -style fusion,
    // -qwindowgeometry 640x480, also written with "--" or "=").
    static bool opensWindow(const QStringList &arguments);
};

// Exit codes of a batch run.
enum BatchExitCode {
    ExitSuccess = 0,
    ExitNoData = 1,
    ExitBadInput = 2,
    ExitConnectionFailed = 3,
    ExitWriteFailed = 4,
    ExitQueryFailed = 5,
    ExitDataError = 6,
    ExitCheckFailed = 7, // a DEP 7 file did not pass the check
};

// The batch run's own German messages, besides those the window's exports
// show.
namespace BatchMessages {

// An export of the engine's found no rows in the period.
QString noData(const QString &exportName);
// --aes-key that is not the base64 text of a 32-byte key.
QString badAesKey();
// --verify naming a file that is not there.
QString missingFile(const QString &file);
// An output of the run that is one of its inputs (the same file, also
// through a link): `what` names the output ("--report"), `input` is the
// input with its description ("die Datenbank C:\\...").
QString sameFile(const QString &what, const QString &output, const QString &input);
// The window started where there is no graphical desktop.
QString noDesktop();
// --verify naming a folder or a device.
QString notAFile(const QString &file);
// --output naming a folder that cannot be made, with the system's reason.
QString outputFolderNotMade(const QString &folder, const QString &reason);

} // namespace BatchMessages
