#include "ExportFile.h"

#include "WindowsPath.h"

#include <QDir>
#include <QFileInfo>

ExportFile::ExportFile(const QString &name, bool append)
    : m_file(preparedPath(name), name, append ? AtomicFile::Append : AtomicFile::Replace)
{
}

// The local path of `name` with its folder created when missing. A folder
// that cannot be made is reported by the file that cannot be created in it.
QString ExportFile::preparedPath(const QString &name)
{
    const QString path = WindowsPath::toLocal(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    return path;
}
