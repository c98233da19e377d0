#pragma once

#include <QString>

#include <functional>

// The export engine's message boxes: a modal box with one OK button,
// captioned with the application title. Tests install a recorder instead,
// so nothing waits for a click.
namespace ExportMessageBox {

enum class Icon { Information, Error };

using Shower = std::function<void(Icon icon, const QString &text)>;

void show(Icon icon, const QString &text);
// Replaces the box; an empty function restores the real one.
void setShower(Shower shower);

// The program file's name up to its first ".", every letter after the first
// in lower case ("Depexport" for DepExport.exe).
QString applicationTitle();

} // namespace ExportMessageBox
