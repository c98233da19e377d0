#include "AtomicFile.h"

#include "Error.h"
#include "SystemErrorText.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSysInfo>

#include <cerrno>
#include <csignal>
#include <ctime>
#include <optional>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString temporaryPrefix = QStringLiteral(".DepExport-");
const QString temporarySuffix = QStringLiteral(".tmp");
constexpr int randomLength = 6;
// A temporary file this young whose process lives may be one that is being
// made right now, before its lock is taken.
constexpr time_t youngSeconds = 60;
// A file made on another computer (a shared folder) whose process cannot be
// asked: unlocked and this old, no run can still be writing it.
constexpr time_t foreignSeconds = 24 * 60 * 60;

// Closes a descriptor on every way out of a scope.
class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

QString randomText()
{
    static constexpr char digits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QString text;
    for (int i = 0; i < randomLength; ++i)
        text += QLatin1Char(digits[QRandomGenerator::global()->bounded(int(sizeof digits - 1))]);
    return text;
}

// The computer's name as it goes into the names of the temporary files.
const QString &hostName()
{
    static const QString name = [] {
        QString text = QSysInfo::machineHostName().left(64);
        for (QChar &c : text) {
            if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != u'.' && c != u'-')
                c = u'_';
        }
        return text.isEmpty() ? QStringLiteral("localhost") : text;
    }();
    return name;
}

// The parts of a temporary file's name: ".DepExport-<host>-<pid>-<random>.tmp".
struct TemporaryName
{
    QString host;
    pid_t pid = 0;
};

std::optional<TemporaryName> parseTemporaryName(const QString &fileName)
{
    if (!fileName.startsWith(temporaryPrefix) || !fileName.endsWith(temporarySuffix))
        return std::nullopt;
    const QString middle =
        fileName.mid(temporaryPrefix.size(), fileName.size() - temporaryPrefix.size() - temporarySuffix.size());
    const qsizetype randomStart = middle.lastIndexOf(u'-') + 1;
    if (randomStart < 4 || middle.size() - randomStart != randomLength)
        return std::nullopt;
    for (const QChar c : QStringView(middle).mid(randomStart)) {
        if (!((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9')))
            return std::nullopt;
    }
    const qsizetype pidStart = middle.lastIndexOf(u'-', randomStart - 2) + 1;
    const QStringView pid = QStringView(middle).mid(pidStart, randomStart - 1 - pidStart);
    if (pidStart <= 1 || pid.isEmpty() || pid.size() > 10)
        return std::nullopt;
    for (const QChar c : pid) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    return TemporaryName{middle.left(pidStart - 1), pid_t(pid.toLongLong())};
}

bool processLives(pid_t pid)
{
    return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

void removeIfStale(int folderFd, const char *name, const TemporaryName &owner)
{
    const Descriptor file(::openat(folderFd, name, O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat info;
    if (file.get() < 0 || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return;
    if (::flock(file.get(), LOCK_EX | LOCK_NB) != 0)
        return; // a living run is writing it
    const time_t age = std::time(nullptr) - info.st_mtime;
    const bool mayLive = owner.host == hostName() ? processLives(owner.pid) && age < youngSeconds : age < foreignSeconds;
    if (!mayLive)
        ::unlinkat(folderFd, name, 0);
}

// After a rename the folder's entry is on the disk only when the folder is
// synchronised too. The file is in place by then: a failure here changes
// nothing that could still be undone.
void syncFolder(const QByteArray &target)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(QFile::decodeName(target)).absolutePath());
    const Descriptor fd(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() >= 0)
        ::fsync(fd.get());
}

} // namespace

bool AtomicFile::isTemporaryName(const QString &fileName)
{
    return parseTemporaryName(fileName).has_value();
}

void AtomicFile::removeStaleTemporaries(const QString &folder)
{
    const Descriptor folderFd(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folderFd.get() < 0)
        return;
    DIR *listing = ::fdopendir(::dup(folderFd.get()));
    if (!listing)
        return;
    QList<std::pair<QByteArray, TemporaryName>> candidates;
    while (const dirent *entry = ::readdir(listing)) {
        if (const auto owner = parseTemporaryName(QFile::decodeName(entry->d_name)))
            candidates.append({QByteArray(entry->d_name), *owner});
    }
    ::closedir(listing);
    for (const auto &[name, owner] : std::as_const(candidates))
        removeIfStale(folderFd.get(), name.constData(), owner);
}

AtomicFile::AtomicFile(const QString &localPath, const QString &displayName, Mode mode)
    : m_displayName(displayName.isEmpty() ? localPath : displayName)
    , m_mode(mode)
{
    const QFileInfo info(localPath);
    m_target = QFile::encodeName(info.absoluteFilePath());
    if (info.fileName().isEmpty())
        failToCreate(EISDIR);
    struct stat present;
    const bool exists = ::lstat(m_target.constData(), &present) == 0;
    if (!exists && errno != ENOENT)
        failToCreate(errno);
    if (exists && S_ISDIR(present.st_mode))
        failToCreate(EISDIR);

    const QString folder = info.absolutePath();
    removeStaleTemporaries(folder);
    m_buffer.reserve(bufferSize + 4096);

    m_folder = QFile::encodeName(folder);
    int createError = openUnnamed();
    if (m_fd < 0)
        createError = openNamed();
    if (m_fd >= 0) {
        // the new file keeps the earlier one's owner (as far as we may
        // give it) and permissions
        if (exists && S_ISREG(present.st_mode)) {
            (void)::fchown(m_fd, present.st_uid, present.st_gid);
            ::fchmod(m_fd, present.st_mode & 0777);
        }
        if (mode == Append && exists)
            copyPresentContent();
        return;
    }
    // A folder closed to new files may still hold a file of ours to update.
    if ((createError == EACCES || createError == EPERM) && exists && S_ISREG(present.st_mode))
        openInPlace(createError);
    else
        failToCreate(createError);
}

QByteArray AtomicFile::newTemporaryName() const
{
    const QString stem = QFile::decodeName(m_folder) + u'/' + temporaryPrefix + hostName() + u'-'
        + QString::number(::getpid()) + u'-';
    return QFile::encodeName(stem + randomText() + temporarySuffix);
}

int AtomicFile::openUnnamed()
{
#ifdef O_TMPFILE
    // A file without a name until commit() links it into the folder: a run
    // killed on the way leaves nothing behind. Network and FAT file systems
    // do not offer it; the named temporary file stands in there.
    m_fd = ::open(m_folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (m_fd >= 0) {
        m_unnamed = true;
        return 0;
    }
    return errno;
#else
    return EOPNOTSUPP;
#endif
}

int AtomicFile::openNamed()
{
    int createError = EEXIST;
    for (int attempt = 0; attempt < 100 && createError == EEXIST; ++attempt) {
        const QByteArray name = newTemporaryName();
        m_fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        createError = m_fd < 0 ? errno : 0;
        if (m_fd < 0)
            continue;
        m_temporary = name;
        if (lockNamed())
            return 0;
        // Another run's sweep took the file for a stale one: start anew.
        ::close(m_fd);
        m_fd = -1;
        m_temporary.clear();
        createError = EEXIST;
    }
    return createError;
}

bool AtomicFile::lockNamed()
{
    // Another run's sweep may hold the lock for a moment while it looks at
    // the file; it leaves a young file of a living process alone, so the
    // lock is ours once it lets go. A file system without locks refuses the
    // sweeps' locks too, which then leave the file alone as well.
    if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        int result;
        do
            result = ::flock(m_fd, LOCK_EX);
        while (result != 0 && errno == EINTR);
    }
    struct stat info;
    return ::fstat(m_fd, &info) != 0 || info.st_nlink > 0;
}

void AtomicFile::linkUnnamed()
{
    // The unnamed file gets a temporary name first, which the rename then
    // puts over the target as for a named temporary file: linkat cannot
    // replace a file.
    const QByteArray procPath = "/proc/self/fd/" + QByteArray::number(m_fd);
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        const QByteArray name = newTemporaryName();
        if (::linkat(AT_FDCWD, procPath.constData(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW) == 0
            || ::linkat(m_fd, "", AT_FDCWD, name.constData(), AT_EMPTY_PATH) == 0) {
            m_temporary = name;
            return;
        }
        error = errno;
    }
    fail(error);
}

AtomicFile::~AtomicFile()
{
    if (!m_done)
        discard();
}

void AtomicFile::openInPlace(int createError)
{
    const int flags = O_WRONLY | O_NOFOLLOW | O_CLOEXEC | (m_mode == Append ? O_APPEND : O_TRUNC);
    m_fd = ::open(m_target.constData(), flags);
    if (m_fd < 0)
        failToCreate(createError);
    m_inPlace = true;
    struct stat info;
    if (m_mode == Append && ::fstat(m_fd, &info) == 0)
        m_presentSize = info.st_size;
}

void AtomicFile::copyPresentContent()
{
    // Only a file's content is taken over; reading a pipe would wait forever.
    const Descriptor source(::open(m_target.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (source.get() < 0)
        failToCreate(errno);
    struct stat info;
    if (::fstat(source.get(), &info) != 0 || !S_ISREG(info.st_mode))
        failToCreate(EINVAL);
    QByteArray chunk(bufferSize, Qt::Uninitialized);
    for (;;) {
        const ssize_t n = ::read(source.get(), chunk.data(), size_t(chunk.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            failToCreate(errno);
        if (n == 0)
            return;
        write(QByteArrayView(chunk.constData(), n));
    }
}

void AtomicFile::writeAll(const char *data, qsizetype size)
{
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            fail(n < 0 ? errno : EIO);
        data += n;
        size -= n;
        m_unsynced += n;
    }
    startWriteBack();
}

// Large files are handed to the disk while they are written: every few
// MiB the kernel is asked to start writing what has come since (without
// waiting), so that the synchronisation at the end, which a run waits for,
// finds little left. It changes nothing of what is written or reported:
// commit() still synchronises the whole file and checks the answer.
void AtomicFile::startWriteBack()
{
#ifdef Q_OS_LINUX
    constexpr off_t startEvery = off_t(8) << 20;
    if (m_unsynced < startEvery)
        return;
    // Offset 0 and length 0: the whole file, of which only the pages not
    // yet on their way are written.
    (void)::sync_file_range(m_fd, 0, 0, SYNC_FILE_RANGE_WRITE);
    m_unsynced = 0;
#endif
}

void AtomicFile::drain()
{
    if (m_buffer.isEmpty())
        return;
    if (m_fd < 0)
        fail(EBADF);
    writeAll(m_buffer.constData(), m_buffer.size());
    m_buffer.resize(0);
}

void AtomicFile::commit()
{
    drain();
    // File systems that cannot synchronise say so; every other answer counts.
    if (::fsync(m_fd) != 0 && errno != EINVAL && errno != EOPNOTSUPP)
        fail(errno);
    if (m_unnamed)
        linkUnnamed();
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        fail(errno);
    if (!m_inPlace) {
        if (::rename(m_temporary.constData(), m_target.constData()) != 0)
            fail(errno);
        m_temporary.clear();
        syncFolder(m_target);
    }
    m_done = true;
}

void AtomicFile::discard() noexcept
{
    m_done = true;
    const bool restoreAppended = m_inPlace && m_mode == Append;
    if (m_fd >= 0) {
        if (restoreAppended)
            (void)::ftruncate(m_fd, m_presentSize);
        ::close(m_fd);
        m_fd = -1;
    } else if (restoreAppended) {
        (void)::truncate(m_target.constData(), m_presentSize);
    }
    if (!m_temporary.isEmpty())
        ::unlink(m_temporary.constData());
    m_temporary.clear();
    m_buffer.clear();
}

void AtomicFile::fail(int errorNumber)
{
    discard();
    QString message =
        QStringLiteral("Die Datei %1 kann nicht geschrieben werden: %2").arg(m_displayName, SystemErrorText::of(errorNumber));
    if (m_inPlace && m_mode == Replace)
        message += QStringLiteral(". Die Datei ist unvollständig");
    throw IoError(message);
}

void AtomicFile::failToCreate(int errorNumber)
{
    discard();
    throw IoError(
        QStringLiteral("Die Datei %1 kann nicht angelegt werden: %2").arg(m_displayName, SystemErrorText::of(errorNumber)));
}
