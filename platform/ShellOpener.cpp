#include "ShellOpener.h"

#include "WindowsPath.h"

#include <QDesktopServices>
#include <QUrl>

namespace {

void openWithDesktop(const QString &localPath)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(localPath));
}

ShellOpener::Opener &installedOpener()
{
    static ShellOpener::Opener opener = openWithDesktop;
    return opener;
}

} // namespace

namespace ShellOpener {

void open(const QString &windowsPath)
{
    installedOpener()(WindowsPath::toLocal(windowsPath));
}

void setOpener(Opener opener)
{
    installedOpener() = opener ? std::move(opener) : Opener(openWithDesktop);
}

} // namespace ShellOpener
