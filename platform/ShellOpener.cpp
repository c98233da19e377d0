#include "ShellOpener.h"

#include "WindowsPath.h"

#include <QProcess>
#include <QStandardPaths>

#if !defined(Q_OS_UNIX) || defined(Q_OS_MACOS)
#include <QDesktopServices>
#include <QUrl>
#endif

namespace {

bool openWithDesktop(const QString &localPath)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // The desktop's opener itself, found on PATH: Qt's desktop services do
    // nothing on the platforms without a screen that batch runs use.
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    return !opener.isEmpty() && QProcess::startDetached(opener, {localPath});
#else
    return QDesktopServices::openUrl(QUrl::fromLocalFile(localPath));
#endif
}

ShellOpener::Opener &installedOpener()
{
    static ShellOpener::Opener opener = openWithDesktop;
    return opener;
}

} // namespace

namespace ShellOpener {

bool open(const QString &windowsPath)
{
    return installedOpener()(WindowsPath::toLocal(windowsPath));
}

void setOpener(Opener opener)
{
    installedOpener() = opener ? std::move(opener) : Opener(openWithDesktop);
}

} // namespace ShellOpener
