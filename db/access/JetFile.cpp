#include "JetFile.h"

#include "Error.h"
#include "JetHeaderPage.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace db {

JetFile::JetFile(const QString &localPath, const QString &dataSource)
    : m_file(localPath)
    , m_dataSource(dataSource)
{
    const QFileInfo info(localPath);
    if (localPath.isEmpty() || !info.exists() || info.isDir())
        throw Error(QStringLiteral("Die Datei '%1' wurde nicht gefunden.").arg(dataSource));
    if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw Error(QStringLiteral("Die Datei '%1' kann nicht geöffnet werden.").arg(dataSource));
    m_size = m_file.size();
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
    if (page >= m_pageCount)
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

} // namespace db
