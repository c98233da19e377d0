#include "JetPageFile.h"

#include "Error.h"

JetPageFile::JetPageFile(const QString &path) : m_file(path)
{
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw IoError(QStringLiteral("Cannot create \"%1\": %2").arg(path, m_file.errorString()));
}

JetPageFile::~JetPageFile()
{
    if (!m_committed) {
        m_file.close();
        m_file.remove();
    }
}

quint32 JetPageFile::allocate(quint32 count)
{
    const quint32 first = m_pageCount;
    if (quint64(m_pageCount) + count > maxPages)
        throw Error(QStringLiteral("The database would exceed 2 GB, the largest file Jet 4 opens"));
    m_pageCount += count;
    return first;
}

void JetPageFile::write(quint32 page, const char *data)
{
    Q_ASSERT(page < m_pageCount);
    const qint64 offset = qint64(page) * pageSize;
    if (m_file.pos() != offset && !m_file.seek(offset))
        fail(QStringLiteral("seek"));
    if (m_file.write(data, pageSize) != pageSize)
        fail(QStringLiteral("write"));
}

void JetPageFile::commit()
{
    const qint64 size = qint64(m_pageCount) * pageSize;
    if (m_file.size() < size && !m_file.resize(size))
        fail(QStringLiteral("resize"));
    if (!m_file.flush())
        fail(QStringLiteral("flush"));
    m_file.close();
    if (m_file.error() != QFileDevice::NoError)
        fail(QStringLiteral("close"));
    m_committed = true;
}

void JetPageFile::fail(const QString &what)
{
    throw IoError(QStringLiteral("Cannot %1 \"%2\": %3").arg(what, m_file.fileName(), m_file.errorString()));
}
