#pragma once

#include <QIcon>
#include <QString>

// The program's icon and the name its menu entry goes by on a Linux desktop:
// the window shows the icon in its title bar and the task bar, and the
// desktop finds the menu entry (at.depexport.DepExport.desktop, icon and
// AppStream metainfo of the same name) through the name.
//
//     window->setWindowIcon(ProgramIcon::icon());
namespace ProgramIcon {

// The reverse-DNS name of the desktop entry, the icon and the metainfo.
QString desktopId();

// The icon drawn for the program (the same SVG the icon theme gets), drawn
// in whatever size a title bar, a task bar or a window switcher asks for.
QIcon icon();

} // namespace ProgramIcon
