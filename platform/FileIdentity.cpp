#include "FileIdentity.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace FileIdentity {

namespace {

// Where a file that is not there yet would be: its folder with the links
// resolved, and its name.
QString placeOf(const QString &localPath)
{
    const QFileInfo info(localPath);
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? info.absoluteFilePath() : folder + u'/' + info.fileName();
}

} // namespace

bool same(const QString &localPathA, const QString &localPathB)
{
    if (!QFileInfo::exists(localPathA) || !QFileInfo::exists(localPathB))
        return placeOf(localPathA) == placeOf(localPathB);
#ifdef Q_OS_WIN
    // Windows' stat has no inode numbers.
    const QString a = QFileInfo(localPathA).canonicalFilePath();
    return !a.isEmpty() && a.compare(QFileInfo(localPathB).canonicalFilePath(), Qt::CaseInsensitive) == 0;
#else
    struct stat a;
    struct stat b;
    if (::stat(QFile::encodeName(localPathA).constData(), &a) != 0
        || ::stat(QFile::encodeName(localPathB).constData(), &b) != 0)
        return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
#endif
}

} // namespace FileIdentity
