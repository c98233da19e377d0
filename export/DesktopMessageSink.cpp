#include "DesktopMessageSink.h"

#include "MessageBox.h"
#include "ShellOpener.h"

void DesktopMessageSink::message(MessageBoxKind kind, const QString &text)
{
    showMessageBox(kind, applicationTitle(), text);
}

bool DesktopMessageSink::openFile(const QString &fileName)
{
    return ShellOpener::open(fileName);
}
