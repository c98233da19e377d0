#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QSaveFile>
#include <QString>

// One output file of an export. The bytes go to a temporary file beside the
// target, through a buffer of our own; commit() puts the finished file in
// place of the target in one rename. A file that is not committed (the run
// failed) is removed, and an earlier file of that name stays as it was.
class ExportFile
{
public:
    // `name` is the file name as the application gives it (a Windows path);
    // the file layer maps it to the local file system. The folder path is
    // created when missing. With `append` and an existing file the new bytes
    // continue its content. Throws IoError "Cannot create file %s".
    ExportFile(const QString &name, bool append);
    ExportFile(const ExportFile &) = delete;
    ExportFile &operator=(const ExportFile &) = delete;

    const QString &name() const { return m_name; }

    void write(QByteArrayView bytes)
    {
        m_buffer.append(bytes);
        if (m_buffer.size() >= bufferSize)
            drain();
    }
    void write(char byte)
    {
        m_buffer.append(byte);
        if (m_buffer.size() >= bufferSize)
            drain();
    }
    // Hands everything written so far to the operating system.
    void flush();
    // Completes the file and renames it over the target. Throws IoError.
    void commit();

private:
    static constexpr qsizetype bufferSize = 64 * 1024;

    void drain();
    [[noreturn]] void failWrite();

    QString m_name;
    QSaveFile m_file;
    QByteArray m_buffer;
};
