/*
** A preloaded library that makes file system calls fail, as a full disk, a
** read-only mount or a network share does, so that tests can drive the
** program's writers into every failure. Set before a call (it is read on
** every call, so a test may change it between cases):
**
**   DEPEXPORT_FAULT_DIR   only files directly in this folder are touched
**   DEPEXPORT_FAULT       "<call>:<errno>[:<bytes>]", several separated by
**                         commas, each one of
**       write:E:N    a file opened for writing takes N bytes, then its
**                    writes fail with E (a write crossing N is cut there)
**       fsync:E      fsync and fdatasync of such a file fail with E
**       close:E      closing such a file fails with E (it is closed all the same)
**       rename:E     renaming onto a name in the folder fails with E
**       create:E     creating a new file in the folder fails with E (an
**                    unnamed one, O_TMPFILE, too)
**       tmpfile:E    creating an unnamed file (O_TMPFILE) in the folder fails
**                    with E, as on a file system that does not offer them
**       flock:E:N    the first N flock calls of the process on such a file
**                    fail with E
**       pread:E:N    reading a file in the folder with pread (a database
**                    page) fails with E from the process's call N on
**                    (counted from 0), as a disk that fails while rows are read
**   DEPEXPORT_FAULT_LOG   a file that gets a line "rename <name>" for every
**                         rename onto a name in the folder, and under a
**                         pread fault a line "pread" for every such read
**
** Without DEPEXPORT_FAULT_DIR every call goes straight to the C library.
*/
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#define MAX_FDS 4096

static long long writtenBytes[MAX_FDS];

struct Fault
{
    char call[16];
    int error;
    long long bytes;
};

static void *next(const char *name)
{
    return dlsym(RTLD_NEXT, name);
}

/* The folder of the faults, resolved; 0 when none is set. */
static int faultFolder(char *resolved)
{
    const char *dir = getenv("DEPEXPORT_FAULT_DIR");
    return dir && *dir && realpath(dir, resolved) != NULL;
}

/* The fault set for `call`, if any. */
static int readFault(const char *call, struct Fault *fault)
{
    const char *spec = getenv("DEPEXPORT_FAULT");
    memset(fault, 0, sizeof *fault);
    while (spec && *spec) {
        const char *end = strchr(spec, ',');
        if (!end)
            end = spec + strlen(spec);
        const char *colon = memchr(spec, ':', (size_t)(end - spec));
        if (colon && colon - spec < (long)sizeof fault->call && (size_t)(colon - spec) == strlen(call)
            && memcmp(spec, call, strlen(call)) == 0) {
            memcpy(fault->call, spec, (size_t)(colon - spec));
            fault->error = atoi(colon + 1);
            const char *second = memchr(colon + 1, ':', (size_t)(end - colon - 1));
            fault->bytes = second ? atoll(second + 1) : 0;
            return 1;
        }
        spec = *end ? end + 1 : end;
    }
    return 0;
}

/* Whether `path`'s folder is the fault folder. */
static int pathInFolder(const char *path)
{
    char folder[PATH_MAX], copy[PATH_MAX], resolved[PATH_MAX];
    if (!faultFolder(folder) || strlen(path) >= sizeof copy)
        return 0;
    strcpy(copy, path);
    char *slash = strrchr(copy, '/');
    if (!slash)
        strcpy(copy, ".");
    else if (slash == copy)
        copy[1] = 0;
    else
        *slash = 0;
    return realpath(copy, resolved) && strcmp(resolved, folder) == 0;
}

/* Whether `fd` is a file in the fault folder, opened for writing unless
** `anyMode`. */
static int fdInFolderOpened(int fd, int anyMode)
{
    char link[64], target[PATH_MAX];
    if (fd < 0 || fd >= MAX_FDS || !getenv("DEPEXPORT_FAULT_DIR"))
        return 0;
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || (!anyMode && (flags & O_ACCMODE) == O_RDONLY))
        return 0;
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(link, target, sizeof target - 1);
    if (n <= 0)
        return 0;
    target[n] = 0;
    return pathInFolder(target);
}

/* Whether `fd` is a file in the fault folder opened for writing. */
static int fdInFolder(int fd)
{
    return fdInFolderOpened(fd, 0);
}

static int faultIs(const char *call, struct Fault *fault)
{
    return readFault(call, fault);
}

/* Whether `path` is the fault folder itself. */
static int isFolder(const char *path)
{
    char folder[PATH_MAX], resolved[PATH_MAX];
    return faultFolder(folder) && realpath(path, resolved) && strcmp(resolved, folder) == 0;
}

ssize_t write(int fd, const void *data, size_t size)
{
    static ssize_t (*real)(int, const void *, size_t);
    if (!real)
        real = (ssize_t(*)(int, const void *, size_t))next("write");
    struct Fault fault;
    if (!faultIs("write", &fault) || !fdInFolder(fd))
        return real(fd, data, size);
    const long long room = fault.bytes - writtenBytes[fd];
    if (room <= 0) {
        errno = fault.error;
        return -1;
    }
    const ssize_t n = real(fd, data, (long long)size > room ? (size_t)room : size);
    if (n > 0)
        writtenBytes[fd] += n;
    return n;
}

static int failingSync(int fd, const char *name)
{
    int (*real)(int) = (int (*)(int))next(name);
    struct Fault fault;
    if (faultIs("fsync", &fault) && fdInFolder(fd)) {
        errno = fault.error;
        return -1;
    }
    return real(fd);
}

int fsync(int fd)
{
    return failingSync(fd, "fsync");
}

int fdatasync(int fd)
{
    return failingSync(fd, "fdatasync");
}

int close(int fd)
{
    static int (*real)(int);
    if (!real)
        real = (int (*)(int))next("close");
    struct Fault fault;
    const int fails = faultIs("close", &fault) && fdInFolder(fd);
    if (fd >= 0 && fd < MAX_FDS)
        writtenBytes[fd] = 0;
    const int result = real(fd);
    if (fails && result == 0) {
        errno = fault.error;
        return -1;
    }
    return result;
}

int rename(const char *from, const char *to)
{
    int (*real)(const char *, const char *) = (int (*)(const char *, const char *))next("rename");
    struct Fault fault;
    if (!pathInFolder(to))
        return real(from, to);
    if (faultIs("rename", &fault)) {
        errno = fault.error;
        return -1;
    }
    const int result = real(from, to);
    const char *log = getenv("DEPEXPORT_FAULT_LOG");
    if (result == 0 && log && *log) {
        FILE *out = fopen(log, "a");
        if (out) {
            fprintf(out, "rename %s\n", to);
            fclose(out);
        }
    }
    return result;
}

static int creationFails(const char *path, int flags)
{
    struct Fault fault;
    const int unnamed = (flags & O_TMPFILE) == O_TMPFILE;
    if ((flags & O_CREAT) && faultIs("create", &fault) && pathInFolder(path)) {
        errno = fault.error;
        return 1;
    }
    if (unnamed && (faultIs("create", &fault) || faultIs("tmpfile", &fault)) && isFolder(path)) {
        errno = fault.error;
        return 1;
    }
    return 0;
}

static void logLine(const char *line)
{
    const char *log = getenv("DEPEXPORT_FAULT_LOG");
    FILE *out = log && *log ? fopen(log, "a") : NULL;
    if (out) {
        fprintf(out, "%s\n", line);
        fclose(out);
    }
}

ssize_t pread(int fd, void *data, size_t size, off_t offset)
{
    static ssize_t (*real)(int, void *, size_t, off_t);
    static long long calls;
    if (!real)
        real = (ssize_t(*)(int, void *, size_t, off_t))next("pread");
    struct Fault fault;
    if (faultIs("pread", &fault) && fdInFolderOpened(fd, 1)) {
        logLine("pread");
        if (calls++ >= fault.bytes) {
            errno = fault.error;
            return -1;
        }
    }
    return real(fd, data, size, offset);
}

ssize_t pread64(int fd, void *data, size_t size, off_t offset)
{
    return pread(fd, data, size, offset);
}

int flock(int fd, int operation)
{
    static int (*real)(int, int);
    static long long failed;
    if (!real)
        real = (int (*)(int, int))next("flock");
    struct Fault fault;
    if (faultIs("flock", &fault) && failed < fault.bytes && fdInFolder(fd)) {
        ++failed;
        errno = fault.error;
        return -1;
    }
    return real(fd, operation);
}

static mode_t modeOf(int flags, va_list args)
{
    return (flags & (O_CREAT | O_TMPFILE)) ? va_arg(args, mode_t) : 0;
}

static int openFile(const char *name, const char *path, int flags, mode_t mode)
{
    int (*real)(const char *, int, ...) = (int (*)(const char *, int, ...))next(name);
    if (creationFails(path, flags))
        return -1;
    return real(path, flags, mode);
}

int open(const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeOf(flags, args);
    va_end(args);
    return openFile("open", path, flags, mode);
}

int open64(const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeOf(flags, args);
    va_end(args);
    return openFile("open64", path, flags, mode);
}
