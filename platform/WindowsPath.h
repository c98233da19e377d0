#pragma once

#include <QString>

// The fields of the window hold Windows paths ("C:\VelmarFaktura") and keep
// them as text exactly; only the file layer maps them to the local file
// system. "\" is a separator; a drive "X:" maps to $DEPEXPORT_DRIVE_X when
// that is set, else to /mnt/x when it exists, else to
// $XDG_DATA_HOME/DepExport/drive_x. A path that starts with one "\" but has
// no drive ("\file.mdb") lies on drive C:, the current drive of a desktop
// session. A local path ("/srv/kassa") and a relative path are used as they
// stand. On Windows the text is used unchanged.
namespace WindowsPath {

QString toLocal(const QString &windowsPath);
// A file name in a folder as the user reads it: a Linux folder ("/srv/kassa")
// is joined with "/", a Windows-form folder ("C:\VelmarFaktura", one with a
// drive or a "\") with "\", as the window has always done.
QString join(const QString &folder, const QString &fileName);
// For a message about a file that is not there: " (gesucht in <local
// folder>)" when the path is in Windows form and so lies elsewhere on this
// computer; empty when the path is the local one.
QString searchedIn(const QString &windowsPath);
// The local folder that stands for drive `letter` (a to z, either case).
QString driveRoot(QChar letter);

} // namespace WindowsPath
