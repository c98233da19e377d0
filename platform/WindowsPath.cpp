#include "WindowsPath.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtGlobal>

namespace WindowsPath {

QString driveRoot(QChar letter)
{
    const QChar lower = letter.toLower();
    const QByteArray variable = "DEPEXPORT_DRIVE_" + QString(lower.toUpper()).toLatin1();
    const QString configured = qEnvironmentVariable(variable.constData());
    if (!configured.isEmpty())
        return QDir::cleanPath(configured);
    const QString mounted = QStringLiteral("/mnt/") + lower;
    if (QFileInfo(mounted).isDir())
        return mounted;
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty())
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    return dataHome + QStringLiteral("/DepExport/drive_") + lower;
}

QString toLocal(const QString &windowsPath)
{
#ifdef Q_OS_WIN
    return windowsPath;
#else
    QString path = windowsPath;
    path.replace(u'\\', u'/');
    if (path.size() >= 2 && path.at(1) == u':' && path.at(0).isLetter() && path.at(0).unicode() < 128) {
        const QString rest = path.mid(2);
        return driveRoot(path.at(0)) + (rest.startsWith(u'/') ? rest : u'/' + rest);
    }
    if (windowsPath.startsWith(u'\\') && !windowsPath.startsWith(QStringLiteral("\\\\")))
        return driveRoot(u'c') + path;
    return path;
#endif
}

namespace {

bool isWindowsForm(const QString &path)
{
#ifdef Q_OS_WIN
    Q_UNUSED(path);
    return true;
#else
    const bool drive = path.size() >= 2 && path.at(1) == u':' && path.at(0).isLetter() && path.at(0).unicode() < 128;
    return path.isEmpty() || drive || path.contains(u'\\');
#endif
}

} // namespace

QString join(const QString &folder, const QString &fileName)
{
    if (isWindowsForm(folder))
        return folder + u'\\' + fileName;
    return folder.endsWith(u'/') ? folder + fileName : folder + u'/' + fileName;
}

QString searchedIn(const QString &windowsPath)
{
    if (!isWindowsForm(windowsPath) || windowsPath.isEmpty())
        return {};
    const QString local = toLocal(windowsPath);
    if (local == windowsPath)
        return {};
    return QStringLiteral(" (gesucht in %1)").arg(QFileInfo(local).absolutePath());
}

} // namespace WindowsPath
