#pragma once

#include <QString>

#include <functional>

// The shell's "open" action for a finished file: on the desktop it asks the
// desktop's opener (QDesktopServices) to open the file in its associated
// program. Tests install a recorder instead, so nothing is opened.
namespace ShellOpener {

using Opener = std::function<void(const QString &localPath)>;

// Opens the file at `windowsPath` (mapped to the local file system). The
// result is not reported: like the Windows shell call, a failure is silent.
void open(const QString &windowsPath);
// Replaces the opener; an empty function restores the desktop's opener.
void setOpener(Opener opener);

} // namespace ShellOpener
