#pragma once

#include "ExportMessageSink.h"

// The desktop's messages of an export: a message box captioned with the
// application title for each message, the shell's open action for the
// finished file. Both go through their presenters (MessageBox.h,
// ShellOpener.h), which tests replace with recorders.
//
//     exporter.setMessageSink(std::make_shared<DesktopMessageSink>());
class DesktopMessageSink : public ExportMessageSink
{
public:
    void message(MessageBoxKind kind, const QString &text) override;
    bool openFile(const QString &fileName) override;
};
