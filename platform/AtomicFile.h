#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <sys/types.h>

// Writes a file completely or not at all: every file the program writes goes
// through it.
//
//     AtomicFile file(localPath, nameShownToTheUser);
//     file.write(bytes); ...
//     file.commit();
//
// The bytes go through a buffer to a temporary file in the target's folder:
// where the file system offers it an unnamed one (O_TMPFILE), which a run
// killed on the way does not leave behind; else a named one
// (".DepExport-<computer>-<pid>-<random>.tmp", locked with flock while it is
// written).
// commit() writes the rest of the buffer, forces the data to the disk,
// gives an unnamed file its temporary name (linkat), closes the file and
// renames it over the target, checking each step. A
// file that is not committed, or whose commit fails, is removed: an earlier
// file of the target's name stays as it was, byte for byte.
//
// The target's name is replaced, never followed: a symbolic link at the
// target is replaced by the new file, so nothing is written outside the
// folder. In a folder where no file may be created but whose target file
// may be written, the file is written in place instead, with the same
// checks; a failure then leaves that file incomplete (an appended file is
// cut back to its earlier length).
//
// Named temporary files left behind by a run that was killed are removed when the
// next file is written into that folder; those of a run still writing stay:
// its lock is held, or it was made in the last minute by a process that
// lives, or it was made on another computer less than a day ago.
//
// Failures throw IoError with a German text that names the file (as given
// by `displayName`) and the reason.
class AtomicFile
{
public:
    enum Mode {
        Replace, // the new content replaces the target
        Append,  // the new content follows the target's present content
    };

    AtomicFile(const QString &localPath, const QString &displayName, Mode mode = Replace);
    ~AtomicFile();
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    const QString &displayName() const { return m_displayName; }
    // True when the folder forbids new files and the target is written in place.
    bool writesInPlace() const { return m_inPlace; }

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
    void flush() { drain(); }
    // Completes the file and puts it in place of the target. Throws IoError.
    void commit();

    // Whether `fileName` (without folder) has the form of our temporary files.
    static bool isTemporaryName(const QString &fileName);
    // Removes the temporary files that no living run is writing in `folder`.
    static void removeStaleTemporaries(const QString &folder);

    static constexpr qsizetype bufferSize = 64 * 1024;

private:
    // Each returns 0 or the reason the temporary file could not be made.
    int openUnnamed();
    int openNamed();
    // Takes the named temporary file's lock; false when a sweep removed it.
    bool lockNamed();
    void linkUnnamed();
    QByteArray newTemporaryName() const;
    void openInPlace(int createError);
    void copyPresentContent();
    void writeAll(const char *data, qsizetype size);
    void startWriteBack();
    void drain();
    void discard() noexcept;
    [[noreturn]] void fail(int errorNumber);
    [[noreturn]] void failToCreate(int errorNumber);

    QString m_displayName;
    QByteArray m_target;    // local path, file system encoding
    QByteArray m_folder;    // the target's folder, file system encoding
    QByteArray m_temporary; // named temporary file; empty while unnamed or in place
    bool m_unnamed = false; // an O_TMPFILE file, named only at commit()
    Mode m_mode;
    int m_fd = -1;
    bool m_inPlace = false;
    bool m_done = false;
    off_t m_presentSize = 0; // of an appended file written in place
    QByteArray m_buffer;
    // Bytes written since the disk was last asked to start writing.
    off_t m_unsynced = 0;
};
