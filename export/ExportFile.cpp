#include "ExportFile.h"

#include "Error.h"
#include "WindowsPath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

IoError cannotCreate(const QString &name)
{
    return IoError(QStringLiteral("Cannot create file %1").arg(name));
}

} // namespace

ExportFile::ExportFile(const QString &name, bool append)
    : m_name(name)
    , m_file(WindowsPath::toLocal(name))
{
    const QFileInfo target(m_file.fileName());
    if (!QDir().mkpath(target.absolutePath()) || target.isDir())
        throw cannotCreate(m_name);
    if (!m_file.open(QIODevice::WriteOnly))
        throw cannotCreate(m_name);
    m_buffer.reserve(bufferSize + 4096);
    if (append && target.exists()) {
        QFile existing(target.absoluteFilePath());
        if (!existing.open(QIODevice::ReadOnly))
            throw cannotCreate(m_name);
        while (!existing.atEnd()) {
            const QByteArray chunk = existing.read(bufferSize);
            if (chunk.isEmpty() && existing.error() != QFileDevice::NoError)
                throw cannotCreate(m_name);
            write(chunk);
        }
    }
}

void ExportFile::drain()
{
    if (m_buffer.isEmpty())
        return;
    if (m_file.write(m_buffer) != m_buffer.size())
        failWrite();
    m_buffer.resize(0);
}

void ExportFile::flush()
{
    drain();
    if (!m_file.flush())
        failWrite();
}

void ExportFile::commit()
{
    flush();
    if (!m_file.commit())
        failWrite();
}

void ExportFile::failWrite()
{
    throw IoError(QStringLiteral("Die Datei %1 kann nicht geschrieben werden: %2").arg(m_name, m_file.errorString()));
}
