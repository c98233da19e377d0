// make-jet-db DESCRIPTION.json OUT.mdb: builds an Access 2000-2003 database
// from a JSON description (see JetDescription.h). Prints nothing but errors.

#include "Error.h"
#include "JetDescription.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>

#include <cstdio>
#include <exception>

namespace {

const char usage[] =
    "usage: make-jet-db DESCRIPTION.json OUT.mdb\n"
    "Builds an Access 2000-2003 (Jet 4) database from a JSON description:\n"
    "  {\"password\": \"...\", \"tables\": [{\"name\": \"...\",\n"
    "    \"columns\": [{\"name\": \"ID\", \"type\": \"long\"}, {\"name\": \"Name\", \"type\": \"text\", \"size\": 50}],\n"
    "    \"rows\": [[1, \"a\"]], \"csv\": \"optional/file.csv\"}]}\n"
    "Types: boolean byte integer long currency single double datetime text memo binary ole.\n"
    "Date-times are ISO texts such as \"2019-03-01T10:15:00\", in JSON and CSV.\n";

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 1 && (args[0] == QLatin1String("-h") || args[0] == QLatin1String("--help"))) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (args.size() != 2) {
        std::fputs(usage, stderr);
        return 2;
    }
    // Build next to the target and replace it only when complete, so that a
    // bad description leaves an existing database alone.
    const QString output = args[1];
    const QString partial = output + QStringLiteral(".partial");
    try {
        JetDescription::build(args[0], partial);
        QFile::remove(output);
        if (!QFile::rename(partial, output))
            throw Error(QStringLiteral("cannot write \"%1\"").arg(output));
    } catch (const Error &e) {
        QFile::remove(partial);
        std::fprintf(stderr, "make-jet-db: %s\n", e.what());
        return 1;
    } catch (const std::exception &e) {
        QFile::remove(partial);
        std::fprintf(stderr, "make-jet-db: %s\n", e.what());
        return 1;
    }
    return 0;
}
