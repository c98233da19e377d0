// bench-text-export N [--keep DIR]: times the DEP 131 text export of a
// register database with N cash-sale rows, next to a walk that only reads
// the same field texts, so the writer's own share is visible. The progress
// window is shown (offscreen), as in the program. Prints one line, times in
// wall seconds and, in brackets, processor seconds of this process:
//   rows  read-only s  export s  rows/s  writer share s  file MiB

#include "TextExportDesign.h"
#include "Error.h"
#include "FormatSettings.h"
#include "MessageBox.h"
#include "OleDate.h"
#include "PeriodBinding.h"
#include "QueryDesign.h"
#include "RegisterDatabase.h"
#include "ShellOpener.h"
#include "TADOConnection.h"
#include "TADOQuery.h"
#include "TExportToText.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>

namespace {

// The window's DEP 131 query of the shop edition, over the whole period of
// the generated data.
void openDep131(db::TADOQuery &query)
{
    QueryDesign::setUpDep131Shop(query);
    const auto dateText = [](int year) {
        return TextFormat::dateToText(OleDate::fromDate(QDate(year, 3, 1)), FormatSettings::current());
    };
    PeriodBinding::bind(query, dateText(2017), dateText(2019));
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    bool ok = false;
    const int rows = args.value(0).toInt(&ok);
    if (!ok || rows < 0) {
        std::fputs("usage: bench-text-export N [--keep DIR]\n", stderr);
        return 2;
    }
    QTemporaryDir temporary;
    const qsizetype keep = args.indexOf(QStringLiteral("--keep"));
    const QString folder = keep >= 0 ? args.value(keep + 1) : temporary.path();
    try {
        const QString database = folder + QStringLiteral("/VelmarFaktura.mdb");
        if (!QFileInfo::exists(database)) {
            RegisterDatabaseOptions options;
            options.salesRows = rows;
            options.signReceipts = false;
            RegisterDatabase::write(database, options);
        }
        db::TADOConnection connection;
        connection.setConnectionString(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + database
                                       + QStringLiteral(";Jet OLEDB:Database Password=;Persist Security Info=False"));
        connection.setConnected(true);
        db::TADOQuery query(&connection);
        openDep131(query);

        // Reading alone: every field's text under the export's separators.
        TExportDataFormats formats;
        formats.decimalSeparator = u',';
        FormatSettings::setCurrent(formats.installedInto(FormatSettings::current()));
        QElapsedTimer clock;
        clock.start();
        std::clock_t cpu = std::clock();
        query.open();
        qint64 characters = 0;
        for (; !query.eof(); query.next()) {
            for (int i = 0; i < query.fieldCount(); ++i)
                characters += query.field(i).asString().size();
        }
        const double readSeconds = clock.elapsed() / 1000.0;
        const double readCpu = double(std::clock() - cpu) / CLOCKS_PER_SEC;
        query.close();

        QStringList opened;
        ShellOpener::setOpener([&opened](const QString &path) {
            opened << path;
            return true;
        });
        QStringList boxes;
        setMessageBoxPresenter([&boxes](const MessageBoxRequest &box) { boxes << box.text; });
        TExportToText ex;
        TextExportDesign::apply(ex);
        const QString target = folder + QStringLiteral("/DEP_131.csv");
        clock.restart();
        cpu = std::clock();
        query.open();
        ex.setDataSet(&query);
        ex.setFileName(target);
        ex.execute();
        const double exportSeconds = clock.elapsed() / 1000.0;
        const double exportCpu = double(std::clock() - cpu) / CLOCKS_PER_SEC;
        if (ex.statistic().result != erCompleted || opened.size() != 1) {
            std::fprintf(stderr, "bench-text-export: the export did not complete: %s\n",
                         qUtf8Printable(boxes.join(u'\n')));
            return 1;
        }
        const double mib = QFileInfo(target).size() / (1024.0 * 1024.0);
        // QString::asprintf writes numbers in the C locale, whatever LC_NUMERIC says
        std::fputs(qPrintable(QString::asprintf("%-9d %6.2f (%5.2f) %6.2f (%5.2f) %9.0f %6.2f (%5.2f) %9.1f\n", rows,
                                                readSeconds, readCpu, exportSeconds, exportCpu,
                                                rows / std::max(exportSeconds, 0.001), exportSeconds - readSeconds,
                                                exportCpu - readCpu, mib)),
                   stdout);
        Q_UNUSED(characters);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "bench-text-export: %s\n", e.what());
        return 1;
    }
    return 0;
}
