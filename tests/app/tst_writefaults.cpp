// Every writer of the program (DEP 7 file, the engine's text files, the
// settings file) under the failures of a full disk, a read-only mount or a
// network share, made by the preloaded fault library (tests/faults): each
// failure leaves the earlier file byte for byte and no temporary file, and
// tells the file and the reason in German.

#include "AtomicFile.h"
#include "Dep7Writer.h"
#include "Error.h"
#include "ExportFile.h"
#include "Registry.h"
#include "RegistryStore.h"
#include "SystemErrorText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <functional>
#include <memory>
#include <fcntl.h>
#include <sys/file.h>
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

namespace {

// A fault of the preloaded library, active for the life of the object.
class Fault
{
public:
    Fault(const QString &folder, const QString &fault)
    {
        qputenv("DEPEXPORT_FAULT_DIR", QFile::encodeName(folder));
        qputenv("DEPEXPORT_FAULT", fault.toLatin1());
    }
    ~Fault()
    {
        qunsetenv("DEPEXPORT_FAULT");
        qunsetenv("DEPEXPORT_FAULT_DIR");
    }
    Fault(const Fault &) = delete;
    Fault &operator=(const Fault &) = delete;
};

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QStringList folderEntries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// A writer of the program: makes its file `name` in `folder` and returns
// the name it gives in its messages; throws IoError.
struct Writer
{
    const char *what;
    QString fileName;
    QByteArray earlier; // the content of an earlier file of that name
    std::function<QString(const QString &folder)> write;
    // What the file holds after a successful write over `earlier`.
    std::function<QByteArray(const QByteArray &earlier)> expected;
};

QByteArray dep7Content()
{
    // the lines the writer makes for one group of 1,500 receipts
    QByteArray bytes = "{ \"Belege-Gruppe\": [\r\n     {\r\n      \"Signaturzertifikat\":\"CERT\",\r\n"
                       "      \"Zertifizierungsstellen\":[\"CA\"],\r\n      \"Belege-kompakt\":[\r\n";
    for (int i = 0; i < 1500; ++i)
        bytes += QByteArray(23, ' ') + "\"eyJhbGciOiJFUzI1NiJ9.receipt-" + QByteArray::number(i) + "\""
               + (i + 1 < 1500 ? "," : "") + "\r\n";
    bytes += QByteArray(23, ' ') + "]\r\n      }\r\n" + QByteArray(19, ' ') + "]\r\n}\r\n";
    return bytes;
}

QString writeDep7(const QString &folder)
{
    const QString name = folder + QStringLiteral("/DEPExport01.03.2018-01.03.2019.json");
    Dep7Writer writer(name);
    writer.writeFileOpening();
    writer.writeGroupHeader(QStringLiteral("CERT"), QStringLiteral("CA"));
    for (int i = 0; i < 1500; ++i)
        writer.writeReceipt(QStringLiteral("eyJhbGciOiJFUzI1NiJ9.receipt-%1").arg(i), i + 1 < 1500);
    writer.writeGroupClose();
    writer.writeFileEnd();
    writer.commit();
    return name;
}

QByteArray textContent()
{
    QByteArray bytes = "ID;Name;Betrag\r\n";
    for (int i = 0; i < 4000; ++i)
        bytes += QByteArray::number(i) + ";Verkauf " + QByteArray::number(i) + ";12,50\r\n";
    return bytes;
}

QString writeText(const QString &folder, bool append)
{
    const QString name = folder + QStringLiteral("/DEP_131.csv");
    ExportFile file(name, append);
    const QList<QByteArray> rows = textContent().split('\n');
    for (qsizetype i = 0; i + 1 < rows.size(); ++i) {
        file.write(rows.at(i));
        file.write('\n');
        if (i % 1025 == 1024)
            file.flush();
    }
    file.commit();
    return name;
}

const QByteArray earlierSettings = "Windows Registry Editor Version 5.00\r\n\r\n"
                                   "[HKEY_CURRENT_USER\\Software\\DepExport\\Tfrm_barverkauf]\r\n"
                                   "\"FormVersion\"=\"0\"\r\n\"rg_version_ItemIndex\"=\"3\"\r\n"
                                   "\"ed_servername_Text\"=\"KASSA\\\\SQLEXPRESS\"\r\n\r\n";

QString writeSettings(const QString &folder)
{
    RegistryStore store(RegistryRoot::CurrentUser, QStringLiteral("Software\\DepExport"));
    for (int i = 0; i < 400; ++i)
        store.writeText(QStringLiteral("Tfrm_barverkauf"), QStringLiteral("value%1").arg(i), QStringLiteral("neu %1").arg(i));
    store.commit();
    return folder + QStringLiteral("/registry.reg");
}

// The English texts of the C library that must never reach the user.
const QStringList systemTexts = {QStringLiteral("Unknown error"), QStringLiteral("Permission denied"),
                                 QStringLiteral("No space"), QStringLiteral("Input/output error"),
                                 QStringLiteral("Read-only file system"), QStringLiteral("File name too long"),
                                 QStringLiteral("Disk quota"), QStringLiteral("No such file")};

} // namespace

class WriteFaultsTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_folder;
    QList<Writer> m_writers;
    int m_cases = 0;

    // Runs `writer` against an earlier file under `fault` and checks that it
    // failed with `error` and left the folder as it was.
    void expectFailure(const Writer &writer, const QByteArray &earlier, const QString &fault, int error)
    {
        const QString target = m_folder + u'/' + writer.fileName;
        if (!earlier.isNull() && fileBytes(target) != earlier)
            writeFile(target, earlier);
        const QStringList before = folderEntries(m_folder);
        QString message;
        {
            const Fault active(m_folder, fault);
            try {
                writer.write(m_folder);
            } catch (const IoError &failure) {
                message = failure.message();
            }
        }
        ++m_cases;
        const QString where = QStringLiteral("%1 under %2").arg(QLatin1String(writer.what), fault);
        QVERIFY2(!message.isEmpty(), qPrintable(where + QStringLiteral(": no failure reported")));
        QVERIFY2(message.contains(target) && message.contains(SystemErrorText::of(error)),
                 qPrintable(where + QStringLiteral(": ") + message));
        for (const QString &text : systemTexts)
            QVERIFY2(!message.contains(text, Qt::CaseInsensitive), qPrintable(message));
        QVERIFY2(folderEntries(m_folder) == before,
                 qPrintable(where + QStringLiteral(": folder holds ") + folderEntries(m_folder).join(u' ')));
        if (!earlier.isNull())
            QVERIFY2(fileBytes(target) == earlier, qPrintable(where + QStringLiteral(": earlier file changed")));
    }

    void clearFolder()
    {
        QDir(m_folder).removeRecursively();
        QVERIFY(QDir().mkpath(m_folder));
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(qEnvironmentVariable("LD_PRELOAD").contains(QStringLiteral("faultshim")),
                 "the test runs with the fault library preloaded");
        QVERIFY(m_dir.isValid());
        // the settings file lies in the folder that the faults hit
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path()));
        m_folder = m_dir.path() + QStringLiteral("/DepExport");
        m_writers = {
            {"DEP 7", QStringLiteral("DEPExport01.03.2018-01.03.2019.json"), "{ \"earlier\": true }\r\n", writeDep7,
             [](const QByteArray &) { return dep7Content(); }},
            {"text export", QStringLiteral("DEP_131.csv"), "ID;Name\r\n1;earlier\r\n",
             [](const QString &f) { return writeText(f, false); }, [](const QByteArray &) { return textContent(); }},
            {"appending text export", QStringLiteral("DEP_131.csv"), "ID;Name\r\n1;earlier\r\n",
             [](const QString &f) { return writeText(f, true); },
             [](const QByteArray &earlier) { return earlier + textContent(); }},
            {"settings file", QStringLiteral("registry.reg"), earlierSettings, writeSettings, {}},
        };
    }

    void init() { clearFolder(); }

    void cleanupTestCase() { qInfo("fault-injection cases: %d", m_cases); }

    // Without a fault every writer makes its file and leaves nothing else.
    void writersSucceedWithoutFaults()
    {
        for (const Writer &writer : std::as_const(m_writers)) {
            clearFolder();
            const QByteArray target = QFile::encodeName(m_folder + u'/' + writer.fileName);
            writeFile(m_folder + u'/' + writer.fileName, writer.earlier);
            // the new file keeps the earlier one's owner and permissions
            QCOMPARE(::chmod(target.constData(), 0640), 0);
            const bool root = ::geteuid() == 0;
            if (root)
                QCOMPARE(::chown(target.constData(), 4321, 4322), 0);
            writer.write(m_folder);
            QCOMPARE(folderEntries(m_folder), QStringList{writer.fileName});
            struct stat info;
            QCOMPARE(::stat(target.constData(), &info), 0);
            QCOMPARE(info.st_mode & 0777, mode_t(0640));
            if (root)
                QCOMPARE(info.st_uid, uid_t(4321));
            if (writer.expected)
                QCOMPARE(fileBytes(m_folder + u'/' + writer.fileName), writer.expected(writer.earlier));
        }
    }

    // A full disk at every byte of the file's last lines, at points through
    // its last kilobytes, at the boundaries of the writer's buffer and at
    // the start.
    void fullDiskAtEveryPointNearTheEnd()
    {
        for (const Writer &writer : std::as_const(m_writers)) {
            clearFolder();
            const QByteArray earlier = writer.earlier;
            writeFile(m_folder + u'/' + writer.fileName, earlier);
            writer.write(m_folder);
            const qint64 size = QFileInfo(m_folder + u'/' + writer.fileName).size();
            QList<qint64> points = {0, 1, AtomicFile::bufferSize - 1, AtomicFile::bufferSize, AtomicFile::bufferSize + 1};
            for (qint64 n = qMax<qint64>(2, size - 128); n < size; ++n)
                points.append(n);
            for (qint64 n = qMax<qint64>(2, size - 8192); n < size - 128; n += 61)
                points.append(n);
            for (const qint64 n : std::as_const(points)) {
                if (n >= size)
                    continue;
                expectFailure(writer, earlier, QStringLiteral("write:%1:%2").arg(ENOSPC).arg(n), ENOSPC);
                if (QTest::currentTestFailed())
                    return;
            }
        }
    }

    // The other reasons, at each step of the writing: some file systems
    // (network shares) report a failure only when the data is synchronised
    // or the file closed.
    void everyStepAndReason()
    {
        const struct {
            const char *call;
            int error;
        } faults[] = {
            {"write", EIO}, {"write", EDQUOT}, {"write", EFBIG},
            {"fsync", EIO}, {"fsync", ENOSPC}, {"fsync", EDQUOT},
            {"close", EIO}, {"close", ENOSPC}, {"close", EDQUOT},
            {"rename", EIO}, {"rename", EACCES}, {"rename", EXDEV}, {"rename", EROFS},
            {"create", EROFS}, {"create", ENOSPC}, {"create", ENAMETOOLONG}, {"create", EDQUOT},
        };
        // with unnamed temporary files and on a file system without them
        for (const Writer &writer : std::as_const(m_writers)) {
            for (const auto &fault : faults)
            for (const QString unnamed : {QString(), QStringLiteral(",tmpfile:%1").arg(EOPNOTSUPP)}) {
                const QString spec = QStringLiteral("%1:%2:100").arg(QLatin1String(fault.call)).arg(fault.error) + unnamed;
                // the settings store makes its key when opened, so only the
                // exports start in an empty folder
                for (const QByteArray &earlier : {writer.earlier, QByteArray()}) {
                    if (earlier.isNull() && !writer.expected)
                        continue;
                    clearFolder();
                    expectFailure(writer, earlier, spec, fault.error);
                    if (QTest::currentTestFailed())
                        return;
                }
            }
        }
    }

    // A symbolic link at the target's name is replaced; the file it points
    // to, outside the folder, stays as it was.
    void symbolicLinkIsReplacedNotFollowed()
    {
        QTemporaryDir outside;
        const QString victim = outside.path() + QStringLiteral("/elsewhere.txt");
        for (const Writer &writer : std::as_const(m_writers)) {
            clearFolder();
            writeFile(victim, writer.earlier);
            const QString target = m_folder + u'/' + writer.fileName;
            QVERIFY(QFile::link(victim, target));
            writer.write(m_folder);
            QCOMPARE(fileBytes(victim), writer.earlier);
            QVERIFY(!QFileInfo(target).isSymLink());
            QVERIFY(QFileInfo(target).isFile());
            if (writer.expected)
                QCOMPARE(fileBytes(target), writer.expected(writer.earlier));
        }
    }

    // A folder closed to new files: the writable file in it is written in
    // place. A failure on the way cuts an appended file back to its earlier
    // length and says that a replaced file is incomplete.
    void closedFolderWritesInPlace()
    {
        for (const Writer &writer : std::as_const(m_writers)) {
            clearFolder();
            const QString target = m_folder + u'/' + writer.fileName;
            writeFile(target, writer.earlier);
            struct stat before;
            QCOMPARE(::stat(QFile::encodeName(target).constData(), &before), 0);
            {
                const Fault closed(m_folder, QStringLiteral("create:%1").arg(EACCES));
                writer.write(m_folder);
            }
            struct stat after;
            QCOMPARE(::stat(QFile::encodeName(target).constData(), &after), 0);
            QCOMPARE(after.st_ino, before.st_ino);
            QCOMPARE(folderEntries(m_folder), QStringList{writer.fileName});
            if (writer.expected)
                QCOMPARE(fileBytes(target), writer.expected(writer.earlier));
        }

        // a folder really closed to this user (root may create files anywhere)
        if (::geteuid() != 0) {
            clearFolder();
            const QString target = m_folder + QStringLiteral("/DEPExport01.03.2018-01.03.2019.json");
            writeFile(target, "earlier");
            QVERIFY(QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::ExeOwner));
            writeDep7(m_folder);
            QVERIFY(QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
            QCOMPARE(fileBytes(target), dep7Content());
        }

        // the file missing: nothing to write in place, the folder's refusal is told
        clearFolder();
        QString message;
        {
            const Fault closed(m_folder, QStringLiteral("create:%1").arg(EACCES));
            try {
                writeDep7(m_folder);
            } catch (const IoError &failure) {
                message = failure.message();
            }
        }
        QVERIFY2(message.contains(SystemErrorText::of(EACCES)), qPrintable(message));
        QCOMPARE(folderEntries(m_folder), QStringList());

        // failures while writing in place
        const QString csv = m_folder + QStringLiteral("/DEP_131.csv");
        writeFile(csv, "earlier\r\n");
        for (const bool append : {true, false}) {
            writeFile(csv, "earlier\r\n");
            message.clear();
            // creating is refused and the disk fills after 1,000 bytes
            const Fault closed(m_folder, QStringLiteral("create:%1").arg(EACCES));
            std::unique_ptr<ExportFile> file;
            try {
                file = std::make_unique<ExportFile>(csv, append);
                qputenv("DEPEXPORT_FAULT", QStringLiteral("write:%1:1000").arg(ENOSPC).toLatin1());
                file->write(textContent());
                file->commit();
            } catch (const IoError &failure) {
                message = failure.message();
            }
            file.reset();
            QVERIFY2(message.contains(SystemErrorText::of(ENOSPC)), qPrintable(message));
            if (append)
                QCOMPARE(fileBytes(csv), QByteArray("earlier\r\n"));
            else
                QVERIFY2(message.contains(QStringLiteral("unvollständig")), qPrintable(message));
            QCOMPARE(folderEntries(m_folder), QStringList{QStringLiteral("DEP_131.csv")});
        }
    }

    // A run killed while it writes (kill -9) leaves nothing in the folder:
    // its file had no name yet. The earlier file stays as it was.
    void killedRunLeavesNothing()
    {
        writeFile(m_folder + QStringLiteral("/LOG.csv"), "earlier");
        for (const bool buffered : {false, true}) {
            const pid_t child = ::fork();
            if (child == 0) {
                AtomicFile file(m_folder + QStringLiteral("/LOG.csv"), QStringLiteral("LOG.csv"));
                file.write(QByteArray(3 * AtomicFile::bufferSize + 17, 'x'));
                if (!buffered)
                    file.flush();
                ::raise(SIGKILL);
            }
            int status = 0;
            QCOMPARE(::waitpid(child, &status, 0), child);
            QVERIFY(WIFSIGNALED(status));
            QCOMPARE(folderEntries(m_folder), QStringList{QStringLiteral("LOG.csv")});
            QCOMPARE(fileBytes(m_folder + QStringLiteral("/LOG.csv")), QByteArray("earlier"));
        }
    }

    // On a file system without unnamed files, another run's sweep may hold
    // the lock of a new temporary file for a moment: the writer waits for
    // it, so its file is locked while it is written and no later sweep
    // takes it for a killed run's.
    void temporaryFileStaysLockedWhenASweepHeldIt()
    {
        const Fault active(m_folder, QStringLiteral("tmpfile:%1,flock:%2:1").arg(EOPNOTSUPP).arg(EWOULDBLOCK));
        AtomicFile writing(m_folder + QStringLiteral("/DEP_131.csv"), QStringLiteral("DEP_131.csv"));
        writing.write("ID\r\n");
        writing.flush();
        const QStringList entries = folderEntries(m_folder);
        QCOMPARE(entries.size(), 1);
        QVERIFY(AtomicFile::isTemporaryName(entries.first()));
        const int other = ::open(QFile::encodeName(m_folder + u'/' + entries.first()).constData(), O_RDWR | O_CLOEXEC);
        QVERIFY(other >= 0);
        const int locked = ::flock(other, LOCK_EX | LOCK_NB);
        ::close(other);
        QVERIFY2(locked != 0, "the temporary file is not locked");
        // an hour later a sweep still leaves it alone
        struct utimbuf past = {::time(nullptr) - 3600, ::time(nullptr) - 3600};
        QCOMPARE(::utime(QFile::encodeName(m_folder + u'/' + entries.first()).constData(), &past), 0);
        AtomicFile::removeStaleTemporaries(m_folder);
        QCOMPARE(folderEntries(m_folder), entries);
        writing.commit();
        QCOMPARE(folderEntries(m_folder), QStringList{QStringLiteral("DEP_131.csv")});
    }

    // Named temporary files of a killed run (where the file system offers
    // no unnamed ones) are removed by the next write into the folder; those
    // of a living run and foreign files stay.
    void staleTemporariesAreRemoved()
    {
        const Fault namedOnly(m_folder, QStringLiteral("tmpfile:%1").arg(EOPNOTSUPP));
        // a run killed while writing
        const pid_t child = ::fork();
        if (child == 0) {
            AtomicFile file(m_folder + QStringLiteral("/LOG.csv"), QStringLiteral("LOG.csv"));
            file.write(QByteArray(100000, 'x'));
            ::raise(SIGKILL);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFSIGNALED(status));
        const QStringList left = folderEntries(m_folder);
        QCOMPARE(left.size(), 1);
        const QString killed = left.first();
        QVERIFY(AtomicFile::isTemporaryName(killed));
        const QString suffix = QStringLiteral("-%1-").arg(child);
        QVERIFY(killed.contains(suffix));
        const QString host = killed.mid(11, killed.indexOf(suffix) - 11); // after ".DepExport-"
        const auto name = [](const QString &host, qint64 pid, const char *random) {
            return QStringLiteral(".DepExport-%1-%2-%3.tmp").arg(host).arg(pid).arg(QLatin1String(random));
        };
        const qint64 ownPid = ::getpid();
        // made by a living process a moment ago, its lock not yet taken
        const QString beingMade = name(host, ownPid, "young1");
        // an hour old: its process id now belongs to another program
        const QString reusedPid = name(host, ownPid, "old111");
        // made on another computer that shares the folder
        const QString otherComputer = name(QStringLiteral("kasse-2"), 4711, "other1");
        const QString otherComputerLongAgo = name(QStringLiteral("kasse-2"), 4711, "old222");
        const QStringList foreign = {QStringLiteral(".DepExport-notours.tmp"), QStringLiteral("DEPExport.tmp"),
                                     name(host, 12, "ABCDEF")};
        for (const QString &n : QStringList{beingMade, reusedPid, otherComputer, otherComputerLongAgo} + foreign)
            writeFile(m_folder + u'/' + n, "partial");
        for (const auto &[n, age] : {std::pair{reusedPid, 3600}, std::pair{otherComputerLongAgo, 2 * 86400}}) {
            struct utimbuf past = {::time(nullptr) - age, ::time(nullptr) - age};
            QCOMPARE(::utime(QFile::encodeName(m_folder + u'/' + n).constData(), &past), 0);
        }

        // a run still writing, then another run into the same folder
        const QStringList before = folderEntries(m_folder);
        AtomicFile writing(m_folder + QStringLiteral("/DEP_131.csv"), QStringLiteral("DEP_131.csv"));
        QStringList living = folderEntries(m_folder);
        for (const QString &n : before)
            living.removeOne(n);
        QCOMPARE(living.size(), 1);
        writeDep7(m_folder);
        writing.write("ID\r\n");
        writing.commit();

        QStringList expected = QStringList{QStringLiteral("DEPExport01.03.2018-01.03.2019.json"),
                                           QStringLiteral("DEP_131.csv"), beingMade, otherComputer}
            + foreign;
        expected.sort();
        QCOMPARE(folderEntries(m_folder), expected);
        QCOMPARE(fileBytes(m_folder + QStringLiteral("/DEP_131.csv")), QByteArray("ID\r\n"));
    }

    // A pipe at the file's name is replaced by the file; appending to it
    // is refused instead of waiting for a writer that never comes.
    void pipeAtTheName()
    {
        const QString csv = m_folder + QStringLiteral("/DEP_131.csv");
        QCOMPARE(::mkfifo(QFile::encodeName(csv).constData(), 0644), 0);
        try {
            writeText(m_folder, true);
            QFAIL("appended to a pipe");
        } catch (const IoError &failure) {
            QVERIFY2(failure.message().contains(SystemErrorText::of(EINVAL)), qPrintable(failure.message()));
        }
        QCOMPARE(folderEntries(m_folder), QStringList{QStringLiteral("DEP_131.csv")});
        writeText(m_folder, false);
        QCOMPARE(fileBytes(csv), textContent());
    }

    void temporaryNames()
    {
        QVERIFY(AtomicFile::isTemporaryName(QStringLiteral(".DepExport-kasse-1.local-4711-a1b2c3.tmp")));
        QVERIFY(AtomicFile::isTemporaryName(QStringLiteral(".DepExport-h-1-a1b2c3.tmp")));
        QVERIFY(!AtomicFile::isTemporaryName(QStringLiteral(".DepExport-4711-a1b2c3.tmp")));
        QVERIFY(!AtomicFile::isTemporaryName(QStringLiteral(".DepExport--4711-a1b2c3.tmp")));
        QVERIFY(!AtomicFile::isTemporaryName(QStringLiteral(".DepExport-host--a1b2c3.tmp")));
        QVERIFY(!AtomicFile::isTemporaryName(QStringLiteral(".DepExport-host-47x1-a1b2c3.tmp")));
        QVERIFY(!AtomicFile::isTemporaryName(QStringLiteral(".DepExport-host-4711-a1b2c.tmp")));
        QVERIFY(!AtomicFile::isTemporaryName(QStringLiteral("DepExport-host-4711-a1b2c3.tmp")));
        QVERIFY(!AtomicFile::isTemporaryName(QStringLiteral(".DepExport-host-4711-a1b2c3.tmp~")));
        QVERIFY(!AtomicFile::isTemporaryName(QStringLiteral(".DepExport--a1b2c3.tmp")));
    }

    // Every known reason has a German text; no system text gets through.
    void reasonsAreGerman()
    {
        for (int error = 0; error < 140; ++error) {
            const QString text = SystemErrorText::of(error);
            QVERIFY(!text.isEmpty());
            for (const QString &system : systemTexts)
                QVERIFY2(!text.contains(system, Qt::CaseInsensitive), qPrintable(text));
        }
        QCOMPARE(SystemErrorText::of(ENOSPC), QStringLiteral("nicht genug Speicherplatz auf dem Datenträger"));
        QCOMPARE(SystemErrorText::of(EACCES), SystemErrorText::of(EPERM));
        QCOMPARE(SystemErrorText::of(4242), QStringLiteral("Systemfehler Nr. 4242"));
    }
};

QTEST_GUILESS_MAIN(WriteFaultsTest)
#include "tst_writefaults.moc"
