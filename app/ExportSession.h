#pragma once

#include "Dep7Export.h"
#include "ExportRequest.h"
#include "ExportResult.h"
#include "TADOConnection.h"
#include "TADOQuery.h"
#include "TExportToText.h"

#include <memory>

class ExportMessageSink;

// Runs the program's exports: one request in, one result out. Holds the one
// database connection, the queries of the exports and the two text export
// components (set up as the window's design has them), which the window
// shows as its own and batch mode uses alike. Messages go to the sink a run
// is handed while it runs, and are listed in its result.
//
//     ExportSession session;
//     DesktopMessageSink boxes;
//     const ExportResult result = session.run(request, boxes);
//
// A run drops the connection and opens it again for the request's variant;
// a failure the export does not handle itself goes to the sink as the
// general error box and ends the run with the outcome of its kind.
class ExportSession
{
public:
    ExportSession();
    ~ExportSession();
    ExportSession(const ExportSession &) = delete;
    ExportSession &operator=(const ExportSession &) = delete;

    db::TADOConnection connection;
    db::TADOQuery dep131Shop;
    db::TADOQuery dep131Gastro;
    db::TADOQuery dep7Shop;
    db::TADOQuery dep7Gastro;
    db::TADOQuery log;
    TExportToText dep131Export;
    TExportToText logExport;

    // Runs the request's export, telling `messages` what the user is to see.
    ExportResult run(const ExportRequest &request, ExportMessageSink &messages);

    // The file the request writes (a Windows path, as the messages name it);
    // for every register's DEP 7 the file of all registers.
    static QString fileName(const ExportRequest &request);
    // Where the request's files go: its output folder, else the database folder.
    static QString targetFolder(const ExportRequest &request);
    // The Access database file the request opens; none for SQL Server or
    // while no variant is chosen.
    static std::optional<QString> databaseFileName(const ExportRequest &request);
    // What the DEP 7 export of the request reads, for one register or all.
    static Dep7Request dep7Request(const ExportRequest &request, std::optional<int> cashRegister);

private:
    class Forwarder;

    ExportOutcome runText(const ExportRequest &request, ExportMessageSink &messages, ExportResult &result);
    ExportOutcome runDep7(const ExportRequest &request, ExportMessageSink &messages, ExportResult &result);
    ExportOutcome runDep7PerRegister(const ExportRequest &request, ExportMessageSink &messages, ExportResult &result);
    ExportOutcome writeDep7(const Dep7Request &request, ExportMessageSink &messages);

    std::shared_ptr<Forwarder> m_forwarder;
};
