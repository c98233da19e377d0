// Times the Access provider reading a register database's cash-sale table
// beside mdbtools' mdb-export dumping the same table:
//
//   access-scan [ROWS...]        (default: 20000 100000)
//
// For each size it writes a database with our Jet writer and prints the
// best of three runs of: connecting; passing over the rows without decoding
// a column ("select count(*)"); "select *" stepped through without reading
// the fields (SQLite still has every column decoded); the same reading
// every field's value; the same taking every field's text; the DEP 131
// query (period, status, "order by ... desc"); opening it and taking its
// record count; and mdb-export of the table to /dev/null.

#include "RegisterDatabase.h"

#include "TADOConnection.h"
#include "TADOQuery.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace db;

namespace {

double bestOfThree(const std::function<void()> &run)
{
    double best = 1e300;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        best = std::min(best, timer.nsecsElapsed() / 1e9);
    }
    return best;
}

enum class Read { Nothing, Values, Texts };

qint64 walk(TADOConnection &connection, const QString &sql, Read read)
{
    TADOQuery query(&connection);
    query.setSql(sql);
    for (const char *name : {"pvondatum", "pbisdatum", "pbisdatum2"}) {
        if (TParameter *p = query.parameters().findParam(QString::fromLatin1(name))) {
            p->setDataType(ftDateTime);
            p->setValue(Value::fromDateTime(QString::fromLatin1(name) == u"pvondatum" ? 42795 : 43525));
        }
    }
    query.open();
    qint64 rows = 0;
    for (; !query.eof(); query.next(), ++rows) {
        for (int i = 0; i < query.fieldCount() && read != Read::Nothing; ++i) {
            if (read == Read::Texts)
                query.field(i).asString();
            else
                query.field(i).value();
        }
    }
    return rows;
}

const QString dep131 = QStringLiteral("select * from Barverkaeufe\r\nwhere\r\nTagesabrechnung >=:pvondatum  and \r\n"
                                      "Tagesabrechnung <=:pbisdatum and\r\nTagesabrechnung <>:pbisdatum2  and\r\n"
                                      "Status >= 1\r\n\r\n\r\norder by ID_Barverkaufspositionen desc");

void measure(int rows, const QString &folder)
{
    const QString path = folder + QStringLiteral("/bench%1.mdb").arg(rows);
    RegisterDatabaseOptions options;
    options.salesRows = rows;
    options.logRows = 10;
    options.signReceipts = false;
    RegisterDatabase::write(path, options);

    TADOConnection connection;
    connection.setConnectionString(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + path
                                   + QStringLiteral(";Jet OLEDB:Database Password=;Persist Security Info=False"));
    const double connect = bestOfThree([&] {
        connection.setConnected(false);
        connection.setConnected(true);
    });
    const QString all = QStringLiteral("select * from Barverkaeufe");
    const double rowsOnly = bestOfThree([&] { walk(connection, QStringLiteral("select count(*) from Barverkaeufe"), Read::Nothing); });
    const double steps = bestOfThree([&] { walk(connection, all, Read::Nothing); });
    qint64 selected = 0;
    const double values = bestOfThree([&] { selected = walk(connection, all, Read::Values); });
    const double texts = bestOfThree([&] { walk(connection, all, Read::Texts); });
    qint64 periodRows = 0;
    const double sorted = bestOfThree([&] { periodRows = walk(connection, dep131, Read::Values); });
    const double count = bestOfThree([&] {
        TADOQuery query(&connection);
        query.setSql(dep131);
        for (const char *name : {"pvondatum", "pbisdatum", "pbisdatum2"}) {
            query.parameters().paramByName(QString::fromLatin1(name)).setDataType(ftDateTime);
            query.parameters().paramByName(QString::fromLatin1(name)).setValue(Value::fromDouble(name[1] == 'v' ? 42795 : 43525));
        }
        query.open();
        query.recordCount();
    });
    const double mdbExport = bestOfThree([&] {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start(QStringLiteral("mdb-export"), {path, QStringLiteral("Barverkaeufe")});
        process.waitForFinished(-1);
    });
    // QString::asprintf writes numbers in the C locale, whatever LC_NUMERIC says
    std::fputs(qPrintable(QString::asprintf(
                   "%8d %9.3f %7.3f %7.3f %8.3f %7.3f %8.3f %12.3f %12.3f %10.2f %9.2f  (%lld rows, %lld in period)\n",
                   rows, connect, rowsOnly, steps, values, texts, sorted, count, mdbExport, values / mdbExport,
                   texts / mdbExport, static_cast<long long>(selected), static_cast<long long>(periodRows))),
               stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QList<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes << QString::fromLocal8Bit(argv[i]).toInt();
    if (sizes.isEmpty())
        sizes = {20000, 100000};
    QTemporaryDir dir;
    std::printf("    rows connect s  rows s  step s values s texts s dep131 s open+count s mdb-export s values/mdb texts/mdb\n");
    for (int rows : sizes)
        measure(rows, dir.path());
    return 0;
}
