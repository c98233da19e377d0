#include "ShellOpener.h"

#include "WindowsPath.h"

#include <QDesktopServices>
#include <QUrl>

namespace {

bool openWithDesktop(const QString &localPath)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(localPath));
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
