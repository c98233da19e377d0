#pragma once

#include "MessageBoxKind.h"

#include <QString>

// Where an export run's messages to the user go, and who opens a finished
// file: on the desktop message boxes and the shell's open action, in batch
// mode the terminal. Passed to TCustomExportComponent::setMessageSink; a
// component without one says nothing and opens nothing.
//
//     exporter.setMessageSink(std::make_shared<DesktopMessageSink>());
class ExportMessageSink
{
public:
    virtual ~ExportMessageSink() = default;

    // A message of the given kind (the caption is the sink's own).
    virtual void message(MessageBoxKind kind, const QString &text) = 0;
    // Hands the finished file at `fileName` (a Windows path) to the program
    // that opens it; false when no program could be asked.
    virtual bool openFile(const QString &fileName) = 0;
};
