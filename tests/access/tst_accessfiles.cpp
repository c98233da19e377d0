// Connecting to Access files: the data source, the password, files that are
// missing, foreign or damaged, large tables, deleted and moved rows.

#include "JetFileLayout.h"
#include "RegisterTestDatabase.h"
#include "TestFiles.h"

#include "Error.h"
#include "WindowsPath.h"
#include "JetDatabaseWriter.h"
#include "JetHeader.h"
#include "access/JetHeaderPage.h"
#include "TADOConnection.h"
#include "TADOQuery.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace db;

namespace {

constexpr int pageSize = JetFileLayout::pageSize;
const QString unknownFormat = QStringLiteral("Nicht erkanntes Datenbankformat '%1'.");

// Our one user table's definition: the first after the catalog's (page 2).
int userTablePage(const QByteArray &file)
{
    return JetFileLayout(file).definitionPages().at(1);
}

QList<int> dataPagesOf(const QByteArray &file, int definitionPage)
{
    return JetFileLayout(file).dataPagesOf(definitionPage);
}

quint16 rowEntry(const QByteArray &file, int page, int row)
{
    return JetFileLayout(file).rowEntry(page, row);
}

void setRowEntry(QByteArray &file, int page, int row, quint16 entry)
{
    qToLittleEndian<quint16>(entry, file.data() + JetFileLayout::rowEntryAt(page, row));
}

// Sets the row count a table's definition records, as Jet does when it
// deletes rows.
void setRecordedRows(QByteArray &file, int definitionPage, quint32 rows)
{
    qToLittleEndian<quint32>(rows, file.data() + JetFileLayout::recordedRowsAt(definitionPage));
}

QList<Sale> numberedSales(int count)
{
    QList<Sale> sales;
    for (int id = 1; id <= count; ++id) {
        Sale s;
        s.id = id;
        s.settled = QDateTime(QDate(2018, 3, 1).addDays(id % 28), QTime(10, 0));
        s.name = QStringLiteral("Artikel %1").arg(id);
        s.remark = id % 3 == 0 ? JetValue(QString(id % 700, u'x')) : JetValue(nullptr);
        sales << s;
    }
    return sales;
}

QString connectionString(const QString &path, const QString &password = QStringLiteral("quillet"))
{
    return RegisterTestDatabase::connectionString(path, password);
}

QString connectFailure(const QString &connectionString)
{
    TADOConnection connection;
    connection.setConnectionString(connectionString);
    try {
        connection.setConnected(true);
    } catch (const Error &error) {
        if (connection.connected())
            return QStringLiteral("connected after a failure");
        return error.message();
    }
    return QString();
}

QList<qint64> ids(TADOConnection &connection, const QString &sql)
{
    TADOQuery query(&connection);
    query.setSql(sql);
    query.open();
    QList<qint64> result;
    for (; !query.eof(); query.next())
        result << query.field(0).value().toInt();
    return result;
}

// Writes `bytes` to `path` and reads the ids of Barverkaeufe in file order.
QList<qint64> idsInFile(const QString &path, const QByteArray &bytes)
{
    TestFiles::write(path, bytes);
    TADOConnection connection;
    connection.setConnectionString(connectionString(path));
    connection.setConnected(true);
    return ids(connection, QStringLiteral("select ID_Barverkaufspositionen from Barverkaeufe"));
}

// Reads every value of every row, in file order and sorted; a damaged file
// may fail with an Error but must not crash or hang.
void readEverything(const QString &path)
{
    TADOConnection connection;
    connection.setConnectionString(connectionString(path));
    connection.setConnected(true);
    TADOQuery query(&connection);
    for (const QString &sql : {QStringLiteral("select * from Barverkaeufe"),
                               QStringLiteral("select * from Barverkaeufe order by Bezeichnung, Bemerkung")}) {
        query.setSql(sql);
        query.open();
        for (; !query.eof(); query.next()) {
            for (int i = 0; i < query.fieldCount(); ++i)
                query.field(i).value();
        }
        query.close();
    }
}

// Writes `bytes` to `path` and reads everything: the message of the
// failure, or "the damage went unnoticed".
QString readFailure(const QString &path, const QByteArray &bytes)
{
    TestFiles::write(path, bytes);
    try {
        readEverything(path);
    } catch (const Error &error) {
        return error.message();
    }
    return QStringLiteral("the damage went unnoticed");
}

} // namespace

class AccessFiles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void windowsDataSource();
    void headerPageAgreesWithTheWriter();
    void passwords_data();
    void passwords();
    void missingFile();
    void foreignFiles_data();
    void foreignFiles();
    void damagedFiles_data();
    void damagedFiles();
    void damagedTables_data();
    void damagedTables();
    void recordedRowCountDecidesNothing();
    void unreadableCatalogRowHidesOnlyItsTable();
    void pageGivenUpIsNoLongerRead();
    void rowsBeyondWhatAPointerAddressesAreRefused();
    void onlyRegularFilesAreOpened();
    void manyPagesReadBackCompletely();
    void deletedRowsAreSkipped();
    void movedRowsAreReadWhereTheyLie();
    void readOnlyAndSharedFile();

private:
    QTemporaryDir m_dir;
    QString m_smallPath;
    QByteArray m_small;
    // A remark long enough for a chain of long-value rows.
    QByteArray m_chained;
};

void AccessFiles::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_smallPath = m_dir.filePath(QStringLiteral("small.mdb"));
    RegisterTestDatabase::writeShop(m_smallPath, QStringLiteral("quillet"), numberedSales(400));
    m_small = TestFiles::read(m_smallPath);

    QList<Sale> sales = numberedSales(40);
    sales[4].remark = QString(9000, u'y');
    const QString chainedPath = m_dir.filePath(QStringLiteral("chained.mdb"));
    RegisterTestDatabase::writeShop(chainedPath, QStringLiteral("quillet"), sales);
    m_chained = TestFiles::read(chainedPath);
}

void AccessFiles::windowsDataSource()
{
    qputenv("DEPEXPORT_DRIVE_C", QFile::encodeName(m_dir.path()));
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("Tidy-Pos")));
    RegisterTestDatabase::writeShop(m_dir.filePath(QStringLiteral("Tidy-Pos/Vel4TidyShop.mdb")), QString(),
                                  numberedSales(3));
    TADOConnection connection;
    connection.setConnectionString(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\Tidy-Pos\\"
                                                  "Vel4TidyShop.mdb;Jet OLEDB:Database Password=;Persist Security "
                                                  "Info=False"));
    connection.setConnected(true);
    QCOMPARE(ids(connection, QStringLiteral("select ID_Barverkaufspositionen from Barverkaeufe order by 1")),
             (QList<qint64>{1, 2, 3}));
    qunsetenv("DEPEXPORT_DRIVE_C");
}

void AccessFiles::headerPageAgreesWithTheWriter()
{
    const double created = 43160.75;
    const QString password = QStringLiteral("K\u00E4nnchen\u20AC");
    const QByteArray page = JetHeader::makeJet4(created, password);
    const std::optional<JetHeaderPage> header = JetHeaderPage::parse(page);
    QVERIFY(header);
    QCOMPARE(header->format(), JetHeaderPage::Format::Jet4);
    QCOMPARE(header->pageSize(), 4096);
    QCOMPARE(header->creationDate(), created);
    QCOMPARE(header->password(), password);

    // Undone step by step, the password lies in plain UCS-2 at 0x42; done
    // again, the bytes are the writer's.
    QByteArray plain = page;
    JetHeaderPage::scramble(plain.data(), JetHeaderPage::Format::Jet4);
    JetHeaderPage::maskPassword(plain.data());
    QString stored(password.size(), Qt::Uninitialized);
    memcpy(stored.data(), plain.constData() + 0x42, size_t(2 * password.size()));
    QCOMPARE(stored, password);
    QCOMPARE(plain.mid(0x42 + 2 * password.size(), 2), QByteArray(2, '\0'));
    JetHeaderPage::maskPassword(plain.data());
    JetHeaderPage::scramble(plain.data(), JetHeaderPage::Format::Jet4);
    QCOMPARE(plain, page);
}

void AccessFiles::passwords_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("given");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("right") << "quillet" << "quillet" << true;
    QTest::newRow("other case") << "quillet" << "Quillet" << false;
    QTest::newRow("longer") << "quillet" << "quillet " << false;
    QTest::newRow("none given") << "quillet" << "" << false;
    QTest::newRow("none set, none given") << "" << "" << true;
    QTest::newRow("none set, one given") << "" << "quillet" << true;
    QTest::newRow("twenty characters") << "abcdefghijKLMNOPQRST" << "abcdefghijKLMNOPQRST" << true;
    QTest::newRow("twenty, one missing") << "abcdefghijKLMNOPQRST" << "abcdefghijKLMNOPQRS" << false;
    QTest::newRow("beyond Latin-1") << "K\u00E4nnchen\u20AC" << "K\u00E4nnchen\u20AC" << true;
}

void AccessFiles::passwords()
{
    QFETCH(QString, stored);
    QFETCH(QString, given);
    QFETCH(bool, accepted);
    const QString path = m_dir.filePath(QStringLiteral("password.mdb"));
    RegisterTestDatabase::writeShop(path, stored, numberedSales(2));
    QCOMPARE(connectFailure(connectionString(path, given)),
             accepted ? QString() : QStringLiteral("Kein gültiges Kennwort."));
}

void AccessFiles::missingFile()
{
    const QString dataSource = QStringLiteral("C:\\Nirgendwo\\Vel4TidyShop.mdb");
    // a Windows-form path also names the local folder searched
    QCOMPARE(connectFailure(connectionString(dataSource)),
             QStringLiteral("Die Datei 'C:\\Nirgendwo\\Vel4TidyShop.mdb' wurde nicht gefunden. (gesucht in %1/Nirgendwo)")
                 .arg(WindowsPath::driveRoot(u'c')));
    QCOMPARE(connectFailure(connectionString(m_dir.path())),
             QStringLiteral("Die Datei '%1' wurde nicht gefunden.").arg(m_dir.path()));
}

void AccessFiles::foreignFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("text") << QByteArray("Barverkaeufe;Protokoll\r\n").repeated(400);
    QByteArray ace = m_small;
    ace.replace(4, 15, "Standard ACE DB");
    ace[0x14] = 2;
    QTest::newRow("Access 2007") << ace;
    QByteArray jet3 = m_small;
    jet3[0x14] = 0;
    QTest::newRow("Access 97") << jet3;
    QByteArray unknownVersion = m_small;
    unknownVersion[0x14] = 9;
    QTest::newRow("unknown version") << unknownVersion;
    QTest::newRow("header only") << m_small.left(pageSize);
}

void AccessFiles::foreignFiles()
{
    QFETCH(QByteArray, bytes);
    const QString path = m_dir.filePath(QStringLiteral("foreign.mdb"));
    TestFiles::write(path, bytes);
    QCOMPARE(connectFailure(connectionString(path)), unknownFormat.arg(path));
}

void AccessFiles::damagedFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const int definition = userTablePage(m_small);
    const QList<int> data = dataPagesOf(m_small, definition);
    QVERIFY(data.size() > 3);

    QTest::newRow("cut in half") << m_small.left(m_small.size() / 2 + 100);
    QTest::newRow("cut at a page boundary") << m_small.left(qsizetype(data[1]) * pageSize);
    QByteArray zeroDefinition = m_small;
    zeroDefinition.replace(definition * pageSize, pageSize, QByteArray(pageSize, '\0'));
    QTest::newRow("table definition zeroed") << zeroDefinition;
    QByteArray zeroCatalog = m_small;
    zeroCatalog.replace(2 * pageSize, pageSize, QByteArray(pageSize, '\0'));
    QTest::newRow("catalog zeroed") << zeroCatalog;
    QByteArray zeroData = m_small;
    zeroData.replace(data[2] * pageSize, pageSize, QByteArray(pageSize, '\0'));
    QTest::newRow("data page zeroed") << zeroData;
    QByteArray columns = m_small;
    qToLittleEndian<quint16>(4000, columns.data() + definition * pageSize + 45);
    QTest::newRow("too many columns") << columns;
    QByteArray rowCount = m_small;
    qToLittleEndian<quint16>(3000, rowCount.data() + data[0] * pageSize + 12);
    QTest::newRow("row count beyond the page") << rowCount;

    // The catalog row of the table: its Id, the first fixed column, is the
    // page of the table's definition.
    const JetFileLayout layout(m_small);
    qsizetype catalogId = -1;
    for (int page : layout.dataPagesOf(2)) {
        for (int row = 0; row < layout.rowCount(page); ++row) {
            const qsizetype at = layout.rowStart(page, row) + 2;
            if (qFromLittleEndian<quint32>(m_small.constData() + at) == quint32(definition))
                catalogId = at;
        }
    }
    QVERIFY(catalogId > 0);
    for (const quint32 page : {0u, 0x00FFFFF0u}) {
        QByteArray catalogRow = m_small;
        qToLittleEndian<quint32>(page, catalogRow.data() + catalogId);
        QTest::addRow("catalog row points at page %u", page) << catalogRow;
    }
    QByteArray usageMapAtZero = m_small;
    qToLittleEndian<quint32>(qFromLittleEndian<quint32>(m_small.constData() + JetFileLayout::usageMapReferenceAt(definition))
                                 & 0xFF,
                             usageMapAtZero.data() + JetFileLayout::usageMapReferenceAt(definition));
    QTest::newRow("usage map on page 0") << usageMapAtZero;

    // Column entries of 25 bytes from offset 63 (the writer makes no
    // indexes): the column number at 5 and 9, the variable column's index
    // at 7, the fixed column's offset at 21. Columns 0 and 1 are Long,
    // 7 and 8 Text, the first two of six variable columns.
    const auto columnField = [&](int column, int field) { return definition * pageSize + 63 + 25 * column + field; };
    const auto withColumnField = [&](int column, std::initializer_list<int> fields, quint16 value) {
        QByteArray bytes = m_small;
        for (int field : fields)
            qToLittleEndian<quint16>(value, bytes.data() + columnField(column, field));
        return bytes;
    };
    QTest::newRow("column number twice") << withColumnField(1, {5, 9}, 0);
    QTest::newRow("column number beyond the row's columns") << withColumnField(1, {5, 9}, 19);
    QTest::newRow("variable column index twice") << withColumnField(8, {7}, 0);
    QTest::newRow("variable column index beyond the variable columns") << withColumnField(8, {7}, 6);
    QTest::newRow("fixed columns overlapping") << withColumnField(1, {21}, 2);

    // The 9000-character remark: a chain of long-value rows, each starting
    // with the page and row of the next.
    const JetFileLayout chainLayout(m_chained);
    qsizetype chainReference = -1;
    for (qsizetype at : chainLayout.longValueReferences(chainLayout.definitionPages().at(1))) {
        if (m_chained[at + 3] == 0)
            chainReference = at;
    }
    QVERIFY(chainReference > 0);
    const auto rowAt = [&](quint32 pageAndRow) { return chainLayout.rowStart(int(pageAndRow >> 8), int(pageAndRow & 0xFF)); };
    const quint32 first = qFromLittleEndian<quint32>(m_chained.constData() + chainReference + 4);
    const quint32 second = qFromLittleEndian<quint32>(m_chained.constData() + rowAt(first));
    QVERIFY(second != 0);
    QByteArray selfLoop = m_chained;
    qToLittleEndian<quint32>(first, selfLoop.data() + rowAt(first));
    QTest::newRow("long value chain links to itself") << selfLoop;
    QByteArray backLoop = m_chained;
    qToLittleEndian<quint32>(first, backLoop.data() + rowAt(second));
    QTest::newRow("long value chain links back") << backLoop;
    const quint32 length = qFromLittleEndian<quint32>(m_chained.constData() + chainReference);
    for (const quint32 declared : {length + 2000, 0x3FFFFFFFu}) {
        QByteArray longer = m_chained;
        qToLittleEndian<quint32>(declared, longer.data() + chainReference);
        QTest::addRow("long value of %u bytes, longer than its chain", declared) << longer;
    }

    QByteArray random = m_small;
    QRandomGenerator generator(131);
    for (qsizetype i = 3 * pageSize; i < random.size(); ++i)
        random[i] = char(generator.bounded(256));
    QTest::newRow("random bytes") << random;
}

void AccessFiles::damagedFiles()
{
    QFETCH(QByteArray, bytes);
    const QString path = m_dir.filePath(QStringLiteral("damaged.mdb"));
    QCOMPARE(readFailure(path, bytes), unknownFormat.arg(path));
}

void AccessFiles::damagedTables_data()
{
    // Damage that hides rows or shows foreign ones without breaking the
    // format, found by the pages' structure.
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    const JetFileLayout layout(m_small);
    const int definition = userTablePage(m_small);
    const QList<int> data = layout.dataPagesOf(definition);
    const QString notOwn = QStringLiteral("ihre Seitenliste nennt die Seite %1, die keine ihrer Datenseiten ist");
    const QString freeSpace = QStringLiteral("auf ihrer Datenseite %1 stimmt der freie Platz nicht mit den Datensätzen überein");

    QByteArray owner = m_small;
    qToLittleEndian<quint32>(quint32(data[1] + 1), owner.data() + JetFileLayout::pageStart(data[1]) + 4);
    QTest::newRow("data page owned by another page") << owner << notOwn.arg(data[1]);
    QByteArray kind = m_small;
    kind[JetFileLayout::pageStart(data[1])] = 0x03;
    QTest::newRow("data page of the index kind") << kind << notOwn.arg(data[1]);
    QByteArray usageMap = m_small;
    const qsizetype map = layout.usageMapAt(definition);
    QCOMPARE(int(m_small[map]), 0);
    // The first page within the map's reach that is none of the table's.
    const int firstPage = int(qFromLittleEndian<quint32>(m_small.constData() + map + 1));
    int foreign = 0;
    while (data.contains(firstPage + foreign))
        ++foreign;
    QVERIFY(foreign < int(layout.usageMapSize(definition) - 5) * 8 && firstPage + foreign < layout.pageCount());
    usageMap[map + 5 + foreign / 8] = char(quint8(usageMap[map + 5 + foreign / 8]) | (1u << (foreign % 8)));
    QTest::newRow("usage map listing a page of another kind") << usageMap << notOwn.arg(firstPage + foreign);
    QByteArray catalogPage = m_small;
    catalogPage.replace(JetFileLayout::pageStart(data[1]), pageSize,
                        m_small.mid(JetFileLayout::pageStart(layout.dataPagesOf(2).first()), pageSize));
    QTest::newRow("catalog page written over a data page") << catalogPage << notOwn.arg(data[1]);
    QByteArray rowLess = m_small;
    qToLittleEndian<quint16>(quint16(layout.rowCount(data[1]) - 1), rowLess.data() + JetFileLayout::rowCountAt(data[1]));
    QTest::newRow("data page counting a row less") << rowLess << freeSpace.arg(data[1]);
    QByteArray rowMore = m_small;
    qToLittleEndian<quint16>(quint16(layout.rowCount(data[1]) + 1), rowMore.data() + JetFileLayout::rowCountAt(data[1]));
    QTest::newRow("data page counting a row more") << rowMore << freeSpace.arg(data[1]);
    QByteArray lastRowMoved = m_small;
    const int last = layout.rowCount(data[0]) - 1;
    setRowEntry(lastRowMoved, data[0], last, quint16(rowEntry(m_small, data[0], last) + 2));
    QTest::newRow("lowest row's offset moved up") << lastRowMoved << freeSpace.arg(data[0]);
    QByteArray rowOutside = m_small;
    setRowEntry(rowOutside, data[0], 1, 0x0005);
    QTest::newRow("row offset before the row table") << rowOutside << freeSpace.arg(data[0]);
    QByteArray recordedFree = m_small;
    const qsizetype freeAt = JetFileLayout::pageStart(data[2]) + 2;
    qToLittleEndian<quint16>(quint16(qFromLittleEndian<quint16>(m_small.constData() + freeAt) + 8), recordedFree.data() + freeAt);
    QTest::newRow("free space recorded larger") << recordedFree << freeSpace.arg(data[2]);
}

void AccessFiles::damagedTables()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    const QString path = m_dir.filePath(QStringLiteral("damaged table.mdb"));
    QCOMPARE(readFailure(path, bytes),
             QStringLiteral("Die Tabelle 'Barverkaeufe' der Datenbank '%1' ist beschädigt: %2.").arg(path, reason));
}

void AccessFiles::recordedRowCountDecidesNothing()
{
    // Jet keeps a table's row count loosely (real files record more rows
    // than they hold, and fewer): the rows are read as they are.
    const int definition = userTablePage(m_small);
    for (const quint32 recorded : {0u, 300u, 401u, 0xFFFFFFFFu}) {
        QByteArray bytes = m_small;
        setRecordedRows(bytes, definition, recorded);
        const QString path = m_dir.filePath(QStringLiteral("recorded %1.mdb").arg(recorded));
        QCOMPARE(idsInFile(path, bytes).size(), 400);
        TADOConnection connection;
        connection.setConnectionString(connectionString(path));
        connection.setConnected(true);
        const QList<qint64> sorted = ids(connection, QStringLiteral("select ID_Barverkaufspositionen from Barverkaeufe "
                                                                   "order by ID_Barverkaufspositionen desc"));
        QCOMPARE(sorted.size(), 400);
        QCOMPARE(sorted.first(), 400);
    }
}

void AccessFiles::unreadableCatalogRowHidesOnlyItsTable()
{
    // The catalog row naming Barverkaeufe with its variable-length values
    // out of order: the file opens, the table is not there.
    QByteArray bytes = m_small;
    const JetFileLayout layout(m_small);
    const QByteArray name = QByteArray("Barverkaeufe");
    const QByteArray wideName = QByteArray::fromRawData(reinterpret_cast<const char *>(u"Barverkaeufe"), name.size() * 2);
    bool found = false;
    for (const int page : layout.dataPagesOf(2)) {
        for (int row = 0; row < layout.rowCount(page) && !found; ++row) {
            const QByteArray bytesOfRow = m_small.mid(layout.rowStart(page, row), layout.rowEnd(page, row) - layout.rowStart(page, row));
            if (!bytesOfRow.contains(name) && !bytesOfRow.contains(wideName))
                continue;
            // 17 columns: a null mask of 3 bytes, before it the number of
            // variable-length values and their offsets, the first (Name)
            // nearest.
            const qsizetype firstOffset = layout.rowEnd(page, row) - 3 - 2 - 2;
            qToLittleEndian<quint16>(0xFFF0, bytes.data() + firstOffset);
            found = true;
        }
    }
    QVERIFY(found);
    const QString path = m_dir.filePath(QStringLiteral("catalog row.mdb"));
    TestFiles::write(path, bytes);
    TADOConnection connection;
    connection.setConnectionString(connectionString(path));
    connection.setConnected(true);
    try {
        ids(connection, QStringLiteral("select ID_Barverkaufspositionen from Barverkaeufe"));
        QFAIL("a table whose catalog row cannot be read was found");
    } catch (const Error &error) {
        QVERIFY2(error.message().contains(QStringLiteral("Barverkaeufe")), qPrintable(error.message()));
    }
}

void AccessFiles::pageGivenUpIsNoLongerRead()
{
    // Jet gives a page up by taking it out of the usage map, rows left on
    // it (real files hold such pages): they are no longer the table's.
    QByteArray bytes = m_small;
    const JetFileLayout layout(m_small);
    const int definition = userTablePage(m_small);
    const int page = layout.dataPagesOf(definition)[1];
    const qsizetype map = layout.usageMapAt(definition);
    const int bit = page - int(qFromLittleEndian<quint32>(m_small.constData() + map + 1));
    bytes[map + 5 + bit / 8] = char(quint8(bytes[map + 5 + bit / 8]) & ~(1u << (bit % 8)));
    const QList<qint64> found = idsInFile(m_dir.filePath(QStringLiteral("given up.mdb")), bytes);
    QCOMPARE(found.size(), 400 - layout.rowCount(page));
}

void AccessFiles::rowsBeyondWhatAPointerAddressesAreRefused()
{
    // 300 rows of one number: the writer puts 255 on the first page and 45
    // on the second. Moved onto the first page, its 300 rows are more than
    // a one-byte row number addresses.
    const QString path = m_dir.filePath(QStringLiteral("crowded.mdb"));
    {
        JetDatabaseWriter writer(path);
        JetTable table = writer.addTable(QStringLiteral("Zahlen"), {JetColumn::of(QStringLiteral("Nr"), JetType::Long)});
        for (int n = 0; n < 300; ++n)
            table.addRow({n});
        writer.finish();
    }
    const QByteArray sound = TestFiles::read(path);
    const JetFileLayout layout(sound);
    const QList<int> pages = layout.dataPagesOf(layout.definitionPages().at(1));
    QCOMPARE(pages.size(), 2);
    QCOMPARE(layout.rowCount(pages[0]), 255);
    const QString sorted = QStringLiteral("select Nr from Zahlen order by Nr desc");
    {
        TADOConnection connection;
        connection.setConnectionString(connectionString(path));
        connection.setConnected(true);
        const QList<qint64> numbers = ids(connection, sorted);
        QCOMPARE(numbers.size(), 300);
        QCOMPARE(numbers.first(), 299);
        QCOMPARE(numbers.last(), 0);
    }

    QByteArray crowded = sound;
    const int first = pages[0];
    const int second = pages[1];
    int lowest = rowEntry(sound, first, 254) & 0x1FFF;
    for (int row = 0; row < layout.rowCount(second); ++row) {
        const QByteArray bytes = sound.mid(layout.rowStart(second, row), layout.rowEnd(second, row) - layout.rowStart(second, row));
        lowest -= int(bytes.size());
        crowded.replace(JetFileLayout::pageStart(first) + lowest, bytes.size(), bytes);
        setRowEntry(crowded, first, 255 + row, quint16(lowest));
    }
    qToLittleEndian<quint16>(300, crowded.data() + JetFileLayout::rowCountAt(first));
    qToLittleEndian<quint16>(quint16(lowest - (14 + 2 * 300)), crowded.data() + JetFileLayout::pageStart(first) + 2);
    qToLittleEndian<quint16>(0, crowded.data() + JetFileLayout::rowCountAt(second));
    qToLittleEndian<quint16>(quint16(pageSize - 14), crowded.data() + JetFileLayout::pageStart(second) + 2);
    TestFiles::write(path, crowded);

    TADOConnection connection;
    connection.setConnectionString(connectionString(path));
    connection.setConnected(true);
    for (const QString &sql : {QStringLiteral("select Nr from Zahlen"), sorted}) {
        try {
            ids(connection, sql);
            QFAIL(qPrintable(sql + QStringLiteral(": the crowded page went unnoticed")));
        } catch (const Error &error) {
            QCOMPARE(error.message(), QStringLiteral("Die Tabelle 'Zahlen' der Datenbank '%1' ist beschädigt: "
                                                     "ihre Datenseite %2 nennt 300 Datensätze.").arg(path).arg(first));
        }
    }
}

void AccessFiles::onlyRegularFilesAreOpened()
{
#ifdef Q_OS_UNIX
    // A pipe would make the first read wait for a writer that never comes.
    const QString pipe = m_dir.filePath(QStringLiteral("pipe.mdb"));
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    QCOMPARE(connectFailure(connectionString(pipe)), unknownFormat.arg(pipe));
    QCOMPARE(connectFailure(connectionString(QStringLiteral("/dev/zero"))), unknownFormat.arg(QStringLiteral("/dev/zero")));
    // A link to a database is the database.
    const QString link = m_dir.filePath(QStringLiteral("link.mdb"));
    QVERIFY(QFile::link(m_smallPath, link));
    QCOMPARE(connectFailure(connectionString(link)), QString());
#else
    QSKIP("pipes and devices have no names in the file system here");
#endif
}

void AccessFiles::manyPagesReadBackCompletely()
{
    const QString path = m_dir.filePath(QStringLiteral("large.mdb"));
    RegisterTestDatabase::writeShop(path, QStringLiteral("quillet"), numberedSales(20000));
    TADOConnection connection;
    connection.setConnectionString(connectionString(path));
    connection.setConnected(true);

    TADOQuery query(&connection);
    query.setSql(QStringLiteral("select * from Barverkaeufe"));
    query.open();
    qint64 rows = 0;
    qint64 idSum = 0;
    qint64 remarkChars = 0;
    for (; !query.eof(); query.next()) {
        ++rows;
        idSum += query.fieldByName(QStringLiteral("ID_Barverkaufspositionen")).value().toInt();
        remarkChars += query.fieldByName(QStringLiteral("Bemerkung")).asString().size();
        QCOMPARE(query.fieldByName(QStringLiteral("Bezeichnung")).asString(),
                 QStringLiteral("Artikel %1").arg(query.field(0).value().toInt()));
    }
    QCOMPARE(rows, 20000);
    QCOMPARE(idSum, qint64(20000) * 20001 / 2);
    qint64 expectedChars = 0;
    for (int id = 3; id <= 20000; id += 3)
        expectedChars += id % 700;
    QCOMPARE(remarkChars, expectedChars);
    QCOMPARE(query.recordCount(), 20000);
    QCOMPARE(ids(connection, QStringLiteral("select ID_Barverkaufspositionen from Barverkaeufe "
                                            "order by Bemerkung desc, ID_Barverkaufspositionen desc limit 2")),
             (QList<qint64>{19599, 17499})); // the longest remarks: 699 x, ids 699 + 2100 k
}

void AccessFiles::deletedRowsAreSkipped()
{
    QByteArray bytes = m_small;
    const int page = dataPagesOf(bytes, userTablePage(bytes)).first();
    setRowEntry(bytes, page, 1, rowEntry(bytes, page, 1) | JetFileLayout::deletedFlag);
    setRecordedRows(bytes, userTablePage(bytes), 399);
    const QList<qint64> found = idsInFile(m_dir.filePath(QStringLiteral("deleted.mdb")), bytes);
    QCOMPARE(found.size(), 399);
    QVERIFY(!found.contains(2));
    QVERIFY(found.contains(1) && found.contains(3));
}

void AccessFiles::movedRowsAreReadWhereTheyLie()
{
    // Row 2 of the first page moved to where row 1 lies (page and row 1's
    // slot, now marked deleted): its slot holds the pointer.
    QByteArray bytes = m_small;
    const QList<int> pages = dataPagesOf(bytes, userTablePage(bytes));
    const int first = pages.first();
    const int pointerAt = first * pageSize + (rowEntry(bytes, first, 2) & 0x1FFF);
    qToLittleEndian<quint32>((quint32(pages[1]) << 8) | 0, bytes.data() + pointerAt);
    setRowEntry(bytes, first, 2, rowEntry(bytes, first, 2) | 0x4000);
    setRowEntry(bytes, pages[1], 0, rowEntry(bytes, pages[1], 0) | 0xC000);
    // The row that lay there is gone.
    setRecordedRows(bytes, userTablePage(bytes), 399);
    const QList<qint64> found = idsInFile(m_dir.filePath(QStringLiteral("moved.mdb")), bytes);
    QCOMPARE(found.size(), 399);
    QVERIFY(!found.contains(3));
    const qint64 movedId = found.at(2);
    QCOMPARE(found.count(movedId), 1);
    QVERIFY(movedId > 3);
}

void AccessFiles::readOnlyAndSharedFile()
{
    const QString path = m_dir.filePath(QStringLiteral("readonly.mdb"));
    TestFiles::write(path, m_small);
    QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    {
        QFile other(path);
        QVERIFY(other.open(QIODevice::ReadOnly));
        TADOConnection first;
        TADOConnection second;
        first.setConnectionString(connectionString(path));
        second.setConnectionString(connectionString(path));
        first.setConnected(true);
        second.setConnected(true);
        QCOMPARE(ids(first, QStringLiteral("select count(*) from Barverkaeufe")), (QList<qint64>{400}));
        QCOMPARE(ids(second, QStringLiteral("select max(ID_Barverkaufspositionen) from Barverkaeufe")),
                 (QList<qint64>{400}));
    }
    QCOMPARE(TestFiles::read(path), m_small);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

QTEST_GUILESS_MAIN(AccessFiles)
#include "tst_accessfiles.moc"
