#pragma once

#include <QString>

#include <functional>

// The shell's "open" action for a finished file: it asks the desktop's
// opener (on Linux xdg-open, found on PATH and started on its own; else
// QDesktopServices) to open the file in its associated program, in the window
// and in batch runs alike. Tests install a recorder instead, so nothing is
// opened.
//
// An opener says whether the file could be handed on: a computer without an
// opening program (no xdg-open) answers false, and the caller tells the user
// where the file is instead.
namespace ShellOpener {

using Opener = std::function<bool(const QString &localPath)>;

// Opens the file at `windowsPath` (mapped to the local file system); false
// when no program could be asked to open it.
bool open(const QString &windowsPath);
// Replaces the opener; an empty function restores the desktop's opener.
void setOpener(Opener opener);

} // namespace ShellOpener
