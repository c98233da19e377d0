#include "JetFile.h"

#include "Error.h"
#include "JetHeaderPage.h"
#include "WindowsPath.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace db {

JetFile::JetFile(const QString &localPath, const QString &dataSource)
    : m_localPath(localPath)
    , m_dataSource(dataSource)
{
    const QFileInfo info(localPath);
    if (localPath.isEmpty() || !info.exists() || info.isDir())
        throw Error(QStringLiteral("Die Datei '%1' wurde nicht gefunden.").arg(dataSource)
                    + WindowsPath::searchedIn(dataSource));
    if (!info.isFile())
        fail();
    openRegularFile();
    m_size = m_file.size();
}

void JetFile::openRegularFile()
{
    const QString cannotOpen = QStringLiteral("Die Datei '%1' kann nicht geöffnet werden.").arg(m_dataSource);
#ifdef Q_OS_UNIX
    // Opened without waiting and checked on the descriptor itself: the name
    // may have been replaced by a pipe since it was looked at.
    const int fd = ::open(QFile::encodeName(m_localPath).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw Error(cannotOpen);
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        fail();
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!m_file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw Error(cannotOpen);
    }
#else
    m_file.setFileName(m_localPath);
    if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw Error(cannotOpen);
#endif
}

QByteArray JetFile::readStart(qint64 length)
{
    if (!m_file.seek(0))
        fail();
    return m_file.read(length);
}

void JetFile::setPageSize(int pageSize)
{
    if (m_size == 0 || m_size % pageSize != 0 || m_size / pageSize > qint64(0xFFFFFF))
        fail();
    m_pageSize = pageSize;
    m_pageCount = quint32(m_size / pageSize);
}

void JetFile::readPage(quint32 page, char *buffer)
{
    if (!containsPage(page))
        fail();
    const qint64 offset = qint64(page) * m_pageSize;
#ifdef Q_OS_UNIX
    // One call instead of a seek and a read: pages are read by the thousand.
    if (::pread(m_file.handle(), buffer, size_t(m_pageSize), off_t(offset)) != m_pageSize)
        fail();
#else
    if (!m_file.seek(offset) || m_file.read(buffer, m_pageSize) != m_pageSize)
        fail();
#endif
    JetHeaderPage::decodePage(m_databaseKey, page, buffer, m_pageSize);
}

QString JetFile::formatError() const
{
    return QStringLiteral("Nicht erkanntes Datenbankformat '%1'.").arg(m_dataSource);
}

void JetFile::fail() const
{
    throw Error(formatError());
}

QString JetFile::tableDamagedMessage(const QString &table, const QString &reason) const
{
    return QStringLiteral("Die Tabelle '%1' der Datenbank '%2' ist beschädigt: %3.").arg(table, m_dataSource, reason);
}

void JetFile::tableDamaged(const QString &table, const QString &reason) const
{
    throw Error(tableDamagedMessage(table, reason));
}

} // namespace db
