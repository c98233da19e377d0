#pragma once

#include "AtomicFile.h"

#include <QByteArrayView>
#include <QString>

// One output file of an export, written through AtomicFile: commit() puts
// the finished file in place of the target; a file that is not committed
// (the run failed) leaves an earlier file of that name as it was.
class ExportFile
{
public:
    // `name` is the file name as the application gives it (a Windows path);
    // the file layer maps it to the local file system. The folder path is
    // created when missing. With `append` and an existing file the new bytes
    // continue its content. Throws IoError naming the file and the reason.
    ExportFile(const QString &name, bool append);

    const QString &name() const { return m_file.displayName(); }

    void write(QByteArrayView bytes) { m_file.write(bytes); }
    void write(char byte) { m_file.write(byte); }
    // Hands everything written so far to the operating system.
    void flush() { m_file.flush(); }
    // Completes the file and puts it in place of the target. Throws IoError.
    void commit() { m_file.commit(); }

private:
    static QString preparedPath(const QString &name);

    AtomicFile m_file;
};
