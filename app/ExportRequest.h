#pragma once

#include "ProgramVariant.h"

#include <QString>

#include <optional>

// Which of the program's exports a request asks for.
enum class ExportKind { Dep131, Dep7, Log };

// What the user asked of one export, as the window's fields or batch mode's
// options hold it: the program variant, where its database is (the folder
// with the password, or the server), the reporting period as the two date
// texts, the export, the register (or every register, a file each) and the
// folder the file goes to. ExportSession runs it.
struct ExportRequest
{
    ExportKind kind = ExportKind::Dep131;
    int variant = ProgramVariant::none;
    QString folder;   // the Access database's folder, as entered
    QString password; // the Access database's password
    QString server;   // the SQL Server's name
    QString fromText; // the period's first day, as the date field shows it
    QString toText;   // its last day
    // DEP 7 only: one register's receipts in the order the register chained
    // them, or a file for each register with receipts in the period.
    std::optional<int> cashRegister;
    bool allCashRegisters = false;
    // DEP 7 for every register: the message naming the folder and files.
    bool announce = true;
    // The folder the file is written to; empty for the database folder.
    QString outputFolder;

    // The names of the DEP 131 and LOG files.
    static inline const QString dep131FileName = QStringLiteral("DEP_131.csv");
    static inline const QString logFileName = QStringLiteral("LOG.csv");
    // What the fields hold before the user or the stored settings change them.
    static inline const QString defaultFolder = QStringLiteral("C:\\Tidy-Pos");
    static inline const QString defaultPassword = QStringLiteral("quillet");
    static inline const QString defaultServer = QStringLiteral("LOCALHOST\\SQLEXPRESS");
};
