// A seeded mutation fuzzer over register databases written by our Jet
// writer. Each mutant is the database damaged as disks, broken copies and
// crashed writers damage files: bits flipped in the pages' structure, pages
// zeroed, cut off, duplicated or written over others, page references out of
// range, long-value chains that loop, row counts and usage maps that lie
// (see below for the two damages left out).
// The batch mode then exports DEP 131, DEP 7 and LOG from it into a folder
// that holds earlier files of those names.
//
// Afterwards every file is either the earlier one, untouched, and the run
// reports a failure, or byte for byte the file the undamaged database gives.
// Anything else fails the test, as does a crash, a hang (a watchdog ends the
// run after 60 seconds on one mutant) or, in the sanitizer build, a report
// of AddressSanitizer or UndefinedBehaviorSanitizer.
//
// Jet keeps no check data for stored values: a flipped bit inside a number
// or a text reads as another value, which no reader can tell. Bit flips
// therefore hit what describes the data (page headers, row tables, table
// definitions' counts and column numbering, usage maps, the lengths and
// flags of long-value references), not the values themselves; a
// long-value reference's page is only set out of range, since one turned
// to another value of the same length would read as that value.
//
// Three damages leave a file that Jet itself writes too, so no reader can
// tell them: a row's deleted flag set (Jet deletes a row so, its bytes left
// in place), a data page dropped from its table's usage map (Jet gives
// pages up so, rows left on them, as real files show) and a data page
// written over another page of the same table (a table of alike rows has
// pages alike byte for byte). So no deleted flag is flipped, usage maps
// only gain pages, and pages are not copied within a table.
//
// DEPEXPORT_FUZZ_MUTANTS sets the number of mutants (default 2500),
// DEPEXPORT_FUZZ_SECONDS the time after which no further mutant starts
// (default 110), DEPEXPORT_FUZZ_FIRST the first mutant's number: mutant n
// is the same on every machine, so a failure is reproduced by its number;
// DEPEXPORT_FUZZ_KEEP names a folder for the files of failing mutants.

#include "BatchRun.h"
#include "FormatSettings.h"
#include "JetFileLayout.h"
#include "RegisterDatabase.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define DEPEXPORT_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define DEPEXPORT_SANITIZED 1
#endif

#ifdef DEPEXPORT_SANITIZED
#include <sanitizer/common_interface_defs.h>
#endif
#include <csignal>
#include <unistd.h>

namespace {

constexpr int pageSize = JetFileLayout::pageSize;
const QString databaseName = QStringLiteral("VelmarFaktura.mdb");

// What the mutant under test is, kept where a crash handler can print it.
char currentMutant[512] = "no mutant yet";

void printCurrentMutant()
{
    const char prefix[] = "\nDamaged database being read: ";
    [[maybe_unused]] ssize_t ignored = ::write(STDERR_FILENO, prefix, sizeof prefix - 1);
    ignored = ::write(STDERR_FILENO, currentMutant, std::strlen(currentMutant));
    ignored = ::write(STDERR_FILENO, "\n", 1);
}

#ifndef DEPEXPORT_SANITIZED
void onFatalSignal(int signal)
{
    printCurrentMutant();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}
#endif

void installCrashReport()
{
#ifdef DEPEXPORT_SANITIZED
    __sanitizer_set_death_callback(printCurrentMutant);
#else
    for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT})
        std::signal(signal, onFatalSignal);
#endif
}

// Ends the process when one mutant takes longer than `limit`.
class Watchdog
{
public:
    explicit Watchdog(std::chrono::seconds limit)
        : m_limit(limit)
        , m_thread([this] { watch(); })
    {
    }
    ~Watchdog()
    {
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_wake.notify_one();
        m_thread.join();
    }
    Watchdog(const Watchdog &) = delete;
    Watchdog &operator=(const Watchdog &) = delete;

    void started()
    {
        std::lock_guard lock(m_mutex);
        ++m_generation;
        m_wake.notify_one();
    }

private:
    void watch()
    {
        std::unique_lock lock(m_mutex);
        while (!m_done) {
            const quint64 generation = m_generation;
            if (!m_wake.wait_for(lock, m_limit, [&] { return m_done || m_generation != generation; })) {
                printCurrentMutant();
                std::fprintf(stderr, "FAIL: hang: no result after %lld seconds\n", qint64(m_limit.count()));
                std::fflush(stderr);
                std::_Exit(3);
            }
        }
    }

    std::chrono::seconds m_limit;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    quint64 m_generation = 0;
    bool m_done = false;
    std::thread m_thread;
};

using Files = QMap<QString, QByteArray>;

// The places of the undamaged database that mutations aim at.
struct Targets
{
    QList<int> definitions;             // catalog first, then the user tables
    QList<int> dataPages;               // of every table, the catalog's included
    QMap<int, QList<int>> dataPagesOf;  // by definition page
    QList<qsizetype> usageMaps;         // start of each table's usage map row
    QList<qsizetype> usageMapSizes;
    QList<qsizetype> longValueReferences;
    QList<qsizetype> catalogIds;        // the Id field of each catalog row
};

class Mutator
{
public:
    Mutator(const QByteArray &bytes, const Targets &targets, quint64 seed)
        : m_bytes(bytes)
        , m_targets(targets)
        , m_random(seed)
    {
    }

    QByteArray &bytes() { return m_bytes; }
    const QStringList &done() const { return m_done; }

    void mutate()
    {
        // Several damages come in the order a file meets them: what damages
        // places within pages first, then what moves or replaces whole
        // pages (else a later damage would be aimed at a page's old bytes).
        const int count = m_random.bounded(10) < 8 ? 1 : 2 + m_random.bounded(2);
        QList<Kind> kinds;
        for (int i = 0; i < count; ++i)
            kinds << Kind(pick(kindCount));
        std::stable_sort(kinds.begin(), kinds.end(), [](Kind a, Kind b) { return movesPages(a) < movesPages(b); });
        for (Kind kind : std::as_const(kinds)) {
            if (m_bytes.size() > pageSize)
                apply(kind);
        }
    }

private:
    int pick(qsizetype size) { return int(m_random.bounded(quint32(size))); }
    template <typename T>
    T pickOf(const QList<T> &list) { return list[pick(list.size())]; }
    int pageCount() const { return int(m_bytes.size() / pageSize); }
    bool inside(qsizetype at, int size) const { return at >= 0 && at + size <= m_bytes.size(); }

    void note(const QString &what) { m_done << what; }

    void flipBit(qsizetype at, const QString &where) { flipBit(at, pick(8), where); }

    void flipBit(qsizetype at, int bit, const QString &where)
    {
        if (!inside(at, 1))
            return;
        m_bytes[at] = char(quint8(m_bytes[at]) ^ (1u << bit));
        note(QStringLiteral("bit %1 of byte %2 flipped (%3)").arg(bit).arg(at).arg(where));
    }

    void put32(qsizetype at, quint32 value, const QString &what)
    {
        if (!inside(at, 4))
            return;
        qToLittleEndian<quint32>(value, m_bytes.data() + at);
        note(QStringLiteral("%1 at %2 set to %3").arg(what).arg(at).arg(value));
    }

    void put16(qsizetype at, quint16 value, const QString &what)
    {
        if (!inside(at, 2))
            return;
        qToLittleEndian<quint16>(value, m_bytes.data() + at);
        note(QStringLiteral("%1 at %2 set to %3").arg(what).arg(at).arg(value));
    }

    quint32 get32(qsizetype at) const { return inside(at, 4) ? qFromLittleEndian<quint32>(m_bytes.constData() + at) : 0; }

    // A page number outside the file, or 0, which nothing may refer to.
    quint32 badPage()
    {
        switch (pick(3)) {
        case 0: return 0;
        case 1: return quint32(pageCount() + pick(4));
        default: return 0x00FFFFFF - quint32(pick(16));
        }
    }

    enum Kind { FlipStructure, PointerOutOfRange, LoopChain, LyingCount, ZeroPage, Truncate, DuplicatePage, kindCount };
    static bool movesPages(Kind kind) { return kind >= ZeroPage; }

    void apply(Kind kind)
    {
        switch (kind) {
        case FlipStructure: flipStructure(); break;
        case PointerOutOfRange: pointerOutOfRange(); break;
        case LoopChain: loopChain(); break;
        case LyingCount: lyingCount(); break;
        case ZeroPage: zeroPage(); break;
        case Truncate: truncate(); break;
        case DuplicatePage: duplicatePage(); break;
        case kindCount: break;
        }
    }

    void flipStructure()
    {
        switch (pick(4)) {
        case 0: {
            const int page = pickOf(m_targets.dataPages);
            const int rows = JetFileLayout(m_bytes).rowCount(page);
            const int area = qMin(14 + 2 * rows, pageSize);
            const int at = pick(area);
            const int bit = pick(8);
            // A row offset's top bit marks the row deleted, as Jet deletes.
            if (at >= 14 && (at - 14) % 2 == 1 && bit == 7)
                return;
            flipBit(JetFileLayout::pageStart(page) + at, bit, QStringLiteral("data page %1 header or row table").arg(page));
            break;
        }
        case 1: {
            // The definition's header (lengths, counts, usage maps) or a
            // column entry's numbering (column number, variable index,
            // fixed offset).
            const int page = pickOf(m_targets.definitions);
            qsizetype at = JetFileLayout::pageStart(page);
            if (pick(2)) {
                at += 8 + pick(55);
            } else {
                const int columns = qFromLittleEndian<quint16>(m_bytes.constData() + at + 45);
                static const int numbering[] = {5, 6, 7, 8, 9, 10, 21, 22};
                at += 63 + 25 * pick(qMax(columns, 1)) + numbering[pick(8)];
            }
            flipBit(at, QStringLiteral("definition page %1").arg(page));
            break;
        }
        case 2: {
            // The map's kind, its first page, or a bit of a page it does
            // not list.
            const int map = pick(m_targets.usageMaps.size());
            const qsizetype start = m_targets.usageMaps[map];
            const qsizetype at = start + pick(m_targets.usageMapSizes[map]);
            const int bit = pick(8);
            if (!inside(at, 1) || (at >= start + 5 && m_bytes[start] == 0 && (quint8(m_bytes[at]) & (1u << bit))))
                return;
            m_bytes[at] = char(quint8(m_bytes[at]) ^ (1u << bit));
            note(QStringLiteral("bit %1 of byte %2 flipped (usage map)").arg(bit).arg(at));
            break;
        }
        default:
            // The length and its flags. A reference turned to another value
            // of the same length would read as that value: page and row
            // are damaged in pointerOutOfRange() only.
            if (!m_targets.longValueReferences.isEmpty())
                flipBit(pickOf(m_targets.longValueReferences) + pick(4), QStringLiteral("long-value reference"));
            break;
        }
    }

    void zeroPage()
    {
        const int page = 1 + pick(pageCount() - 1);
        m_bytes.replace(JetFileLayout::pageStart(page), pageSize, QByteArray(pageSize, '\0'));
        note(QStringLiteral("page %1 zeroed").arg(page));
    }

    void truncate()
    {
        const qsizetype size = pick(2) ? qsizetype(1 + pick(pageCount() - 1)) * pageSize
                                       : pageSize + pick(m_bytes.size() - pageSize);
        m_bytes.truncate(size);
        note(QStringLiteral("cut to %1 bytes").arg(size));
    }

    void duplicatePage()
    {
        // Mostly pages of the tables, the pages whose copies are easiest to
        // mistake for the right ones.
        const auto anyPage = [&] { return pick(2) ? pickOf(m_targets.dataPages) : 1 + pick(pageCount() - 1); };
        const int from = anyPage();
        int to = anyPage();
        if (to == from)
            to = from + 1 < pageCount() ? from + 1 : from - 1;
        if (to < 1 || from >= pageCount() || to >= pageCount())
            return;
        const JetFileLayout layout(m_bytes);
        if (layout.pageType(from) == JetFileLayout::dataPageType && layout.pageType(to) == JetFileLayout::dataPageType
            && layout.pageOwner(from) == layout.pageOwner(to) && layout.pageOwner(from) != JetFileLayout::longValueOwner)
            return;
        const QByteArray page = m_bytes.mid(JetFileLayout::pageStart(from), pageSize);
        if (pick(3) == 0) {
            m_bytes.insert(JetFileLayout::pageStart(from + 1), page);
            note(QStringLiteral("page %1 inserted again behind itself").arg(from));
        } else {
            m_bytes.replace(JetFileLayout::pageStart(to), pageSize, page);
            note(QStringLiteral("page %1 written over page %2").arg(from).arg(to));
        }
    }

    void pointerOutOfRange()
    {
        const quint32 page = badPage();
        switch (pick(5)) {
        case 0:
            put32(pickOf(m_targets.catalogIds), page, QStringLiteral("catalog Id"));
            break;
        case 1: {
            const qsizetype at = JetFileLayout::usageMapReferenceAt(pickOf(m_targets.definitions));
            put32(at, (page << 8) | (get32(at) & 0xFF), QStringLiteral("usage map reference"));
            break;
        }
        case 2:
            // A definition continued on a page that is not there.
            put32(JetFileLayout::pageStart(pickOf(m_targets.definitions)) + 4, page == 0 ? 0x00FFFFFF : page,
                  QStringLiteral("next definition page"));
            break;
        case 3:
            if (!m_targets.longValueReferences.isEmpty()) {
                const qsizetype at = pickOf(m_targets.longValueReferences) + 4;
                put32(at, (page << 8) | (get32(at) & 0xFF), QStringLiteral("long-value page"));
            }
            break;
        default: {
            // A usage map of type 0 starting its bitmap beyond the file.
            const qsizetype map = pickOf(m_targets.usageMaps);
            if (inside(map, 5) && m_bytes[map] == 0)
                put32(map + 1, quint32(pageCount() - pick(3)), QStringLiteral("usage map's first page"));
            break;
        }
        }
    }

    void loopChain()
    {
        // A reference made into a chain whose first row links to itself,
        // or a chain whose later row links back to an earlier one.
        if (m_targets.longValueReferences.isEmpty())
            return;
        const qsizetype reference = pickOf(m_targets.longValueReferences);
        const JetFileLayout layout(m_bytes);
        const auto rowAt = [&](quint32 pageAndRow) -> qsizetype {
            const int page = int(pageAndRow >> 8);
            if (page <= 0 || page >= pageCount() || int(pageAndRow & 0xFF) >= layout.rowCount(page))
                return -1;
            return layout.rowStart(page, int(pageAndRow & 0xFF));
        };
        QList<quint32> chain{get32(reference + 4)};
        if (m_bytes[reference + 3] == 0) {
            for (quint32 next = get32(rowAt(chain.last())); next != 0 && rowAt(next) >= 0 && !chain.contains(next);
                 next = get32(rowAt(next)))
                chain << next;
        }
        if (rowAt(chain.first()) < 0)
            return;
        if (chain.size() == 1) {
            m_bytes[reference + 3] = 0;
            put32(rowAt(chain.first()), chain.first(), QStringLiteral("long-value chain of one row linking to itself"));
            return;
        }
        const int from = 1 + pick(chain.size() - 1);
        const int to = pick(from + 1);
        put32(rowAt(chain[from]), chain[to],
              QStringLiteral("long-value chain's row %1 of %2 linking back to row %3").arg(from).arg(chain.size()).arg(to));
    }

    void lyingCount()
    {
        const JetFileLayout layout(m_bytes);
        switch (pick(4)) {
        case 0: {
            const int page = pickOf(m_targets.dataPages);
            const int rows = layout.rowCount(page);
            const int change = pick(2) ? -(1 + pick(3)) : 1 + pick(3);
            put16(JetFileLayout::rowCountAt(page), quint16(qMax(0, rows + change)), QStringLiteral("row count"));
            break;
        }
        case 1: {
            const int definition = pickOf(m_targets.definitions);
            put32(JetFileLayout::recordedRowsAt(definition), layout.recordedRows(definition) + 1 + quint32(pick(5)),
                  QStringLiteral("recorded rows"));
            break;
        }
        default: {
            // A usage map bit: a page that is none of the table's own
            // added.
            const int table = pick(m_targets.usageMaps.size());
            const qsizetype map = m_targets.usageMaps[table];
            if (!inside(map, 5) || m_bytes[map] != 0)
                return;
            const quint32 firstPage = get32(map + 1);
            const int bits = int(m_targets.usageMapSizes[table] - 5) * 8;
            const int bit = pick(bits);
            const qsizetype at = map + 5 + bit / 8;
            if (quint8(m_bytes[at]) & (1u << (bit % 8)))
                return;
            m_bytes[at] = char(quint8(m_bytes[at]) | (1u << (bit % 8)));
            note(QStringLiteral("usage map bit of page %1 set").arg(firstPage + quint32(bit)));
            break;
        }
        }
    }

    QByteArray m_bytes;
    const Targets &m_targets;
    QRandomGenerator m_random;
    QStringList m_done;
};

} // namespace

class DamagedDatabases : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void exportsAreRightOrRefused();

private:
    Files exportedFiles() const;
    int runExports(int variant, QString &messages) const;
    void clearFolder() const;
    void keepForInspection(int n, const QByteArray &database, const Files &files) const;

    QTemporaryDir m_dir;
    QString m_folder;
    QString m_database;
    QByteArray m_sound;
    Targets m_targets;
    Files m_expected[2];
};

void DamagedDatabases::initTestCase()
{
    // Austrian formats whatever the locale: the DEP 7 file is named after
    // the period in the system's date format.
    FormatSettings::setCurrent(FormatSettings::fromLocale(QLocale(QLocale::German, QLocale::Austria)));
    QVERIFY(m_dir.isValid());
    m_folder = m_dir.filePath(QStringLiteral("kassa"));
    QVERIFY(QDir().mkpath(m_folder));
    m_database = m_folder + u'/' + databaseName;
    // Enough rows for several data pages a table and a few remarks in
    // long-value pages; the first seed from 1 March 2017 on that gives each
    // sales table a remark long enough for a chain of long-value rows.
    RegisterDatabaseOptions options;
    options.salesRows = 700;
    options.logRows = 120;
    options.password = QStringLiteral("geheim");
    for (options.seed = 20170301;; ++options.seed) {
        QVERIFY(options.seed < 20170301 + 2000);
        RegisterDatabase::write(m_database, options);
        QFile file(m_database);
        QVERIFY(file.open(QIODevice::ReadOnly));
        m_sound = file.readAll();
        const JetFileLayout layout(m_sound);
        const QList<int> definitions = layout.definitionPages();
        QCOMPARE(definitions.size(), 4);
        const auto chains = [&](int definition) {
            const QList<qsizetype> references = layout.longValueReferences(definition);
            return std::count_if(references.cbegin(), references.cend(), [&](qsizetype at) { return m_sound[at + 3] == 0; });
        };
        if (chains(definitions[1]) > 0 && chains(definitions[2]) > 0)
            break;
    }

    const JetFileLayout layout(m_sound);
    m_targets.definitions = layout.definitionPages();
    for (int definition : std::as_const(m_targets.definitions)) {
        const QList<int> pages = layout.dataPagesOf(definition);
        m_targets.dataPagesOf[definition] = pages;
        m_targets.dataPages << pages;
        m_targets.usageMaps << layout.usageMapAt(definition);
        m_targets.usageMapSizes << layout.usageMapSize(definition);
        m_targets.longValueReferences << layout.longValueReferences(definition);
    }
    for (int page : m_targets.dataPagesOf[2]) {
        for (int row = 0; row < layout.rowCount(page); ++row)
            m_targets.catalogIds << layout.rowStart(page, row) + 2;
    }

    for (int variant : {0, 1}) {
        clearFolder();
        QString messages;
        QVERIFY2(runExports(variant, messages) == ExitSuccess, qPrintable(messages));
        m_expected[variant] = exportedFiles();
        QCOMPARE(m_expected[variant].size(), 3);
    }
}

void DamagedDatabases::clearFolder() const
{
    QDir folder(m_folder);
    for (const QString &name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (name != databaseName)
            folder.remove(name);
    }
}

void DamagedDatabases::keepForInspection(int n, const QByteArray &database, const Files &files) const
{
    const QString keep = qEnvironmentVariable("DEPEXPORT_FUZZ_KEEP");
    if (keep.isEmpty())
        return;
    QDir folder(keep + QStringLiteral("/mutant-%1").arg(n));
    folder.mkpath(QStringLiteral("."));
    Files all = files;
    all[databaseName] = database;
    for (auto it = all.cbegin(); it != all.cend(); ++it) {
        QFile file(folder.filePath(it.key()));
        if (file.open(QIODevice::WriteOnly))
            file.write(it.value());
    }
}

Files DamagedDatabases::exportedFiles() const
{
    Files files;
    QDir folder(m_folder);
    for (const QString &name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (name == databaseName)
            continue;
        QFile file(folder.filePath(name));
        files[name] = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
    }
    return files;
}

int DamagedDatabases::runExports(int variant, QString &messages) const
{
    std::FILE *stream = std::tmpfile();
    const int code = BatchRun(stream).run({QStringLiteral("--variant"), QString::number(variant),
                                           QStringLiteral("--folder"), m_folder, QStringLiteral("--password"),
                                           QStringLiteral("geheim"), QStringLiteral("--from"),
                                           QStringLiteral("2017-03-01"), QStringLiteral("--to"),
                                           QStringLiteral("2019-02-28"), QStringLiteral("--quiet")});
    std::rewind(stream);
    QByteArray text;
    char buffer[4096];
    while (const size_t n = std::fread(buffer, 1, sizeof buffer, stream))
        text.append(buffer, qsizetype(n));
    std::fclose(stream);
    messages = QString::fromLocal8Bit(text).trimmed();
    return code;
}

void DamagedDatabases::exportsAreRightOrRefused()
{
    const int mutants = qEnvironmentVariableIsSet("DEPEXPORT_FUZZ_MUTANTS")
        ? qEnvironmentVariableIntValue("DEPEXPORT_FUZZ_MUTANTS") : 2500;
    const int seconds = qEnvironmentVariableIsSet("DEPEXPORT_FUZZ_SECONDS")
        ? qEnvironmentVariableIntValue("DEPEXPORT_FUZZ_SECONDS") : 110;
    const int firstMutant = qEnvironmentVariableIntValue("DEPEXPORT_FUZZ_FIRST");
    installCrashReport();
    Watchdog watchdog(std::chrono::seconds(60));

    QElapsedTimer clock;
    clock.start();
    int run = 0;
    int refused = 0;
    int unharmed = 0;
    QMap<QString, int> reasons;
    QStringList faults;
    for (int n = firstMutant; n < firstMutant + mutants && clock.elapsed() < seconds * 1000LL; ++n) {
        Mutator mutator(m_sound, m_targets, 0x20170301u + quint64(n));
        mutator.mutate();
        const int variant = n % 2;
        const QString description = QStringLiteral("mutant %1 (variant %2): %3")
                                        .arg(n)
                                        .arg(variant)
                                        .arg(mutator.done().join(QStringLiteral("; ")));
        qstrncpy(currentMutant, description.toLocal8Bit().constData(), sizeof currentMutant);
        watchdog.started();

        clearFolder();
        {
            QFile database(m_database);
            QVERIFY(database.open(QIODevice::WriteOnly | QIODevice::Truncate));
            QCOMPARE(database.write(mutator.bytes()), mutator.bytes().size());
        }
        const Files &expected = m_expected[variant];
        Files earlier;
        for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
            earlier[it.key()] = "earlier " + it.key().toUtf8() + " of mutant " + QByteArray::number(n) + "\r\n";
            QFile file(m_folder + u'/' + it.key());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(earlier[it.key()]);
        }

        QString messages;
        const int code = runExports(variant, messages);
        ++run;
        const bool claimsSuccess = code == ExitSuccess || code == ExitNoData;
        const Files found = exportedFiles();
        bool kept = false;
        QStringList wrong;
        if (found.keys() != expected.keys())
            wrong << QStringLiteral("files in the folder: %1").arg(found.keys().join(QStringLiteral(", ")));
        for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
            const QByteArray bytes = found.value(it.key());
            if (bytes == earlier[it.key()])
                kept = true;
            else if (bytes != it.value())
                wrong << QStringLiteral("%1 differs from the undamaged database's").arg(it.key());
        }
        if (kept && claimsSuccess)
            wrong << QStringLiteral("an earlier file kept, exit code %1").arg(code);
        if (!wrong.isEmpty()) {
            keepForInspection(n, mutator.bytes(), found);
            faults << QStringLiteral("%1\n    exit code %2: %3\n    messages: %4")
                          .arg(description)
                          .arg(code)
                          .arg(wrong.join(QStringLiteral("; ")), messages.left(300));
        } else if (kept) {
            ++refused;
            reasons[messages.contains(QStringLiteral("Nicht erkanntes Datenbankformat")) ? QStringLiteral("the format message")
                    : messages.contains(QStringLiteral("ist beschädigt")) ? QStringLiteral("the damaged-table message")
                                                                           : messages.left(80)]++;
        } else {
            ++unharmed;
        }
    }
    qstrncpy(currentMutant, "none", sizeof currentMutant);

    qInfo("%d mutants in %.1f s: %d refused, %d exported as from the undamaged database, %lld wrong", run,
          double(clock.elapsed()) / 1000.0, refused, unharmed, qint64(faults.size()));
    for (auto it = reasons.cbegin(); it != reasons.cend(); ++it)
        qInfo("  refused with %s: %d", qPrintable(it.key()), it.value());
    for (const QString &fault : std::as_const(faults))
        qWarning("%s", qPrintable(fault));
    QVERIFY(run > 0);
    QCOMPARE(faults.size(), 0);
}

QTEST_MAIN(DamagedDatabases)
#include "tst_damageddatabases.moc"
