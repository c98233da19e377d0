// make-register-db N OUT.mdb [--password P] [--log-rows M] [--seed S] [--unsigned]:
// writes a register database with N rows in each cash-sale table (and, unless
// --log-rows says otherwise, N rows in Protokoll), its receipts signed, with
// the registers' AES key and the test CA's certificate beside it
// (OUT-aes-key.txt, OUT-test-ca.pem). --unsigned: made-up certificates and
// signatures, for the large benchmark databases. Prints nothing but errors.

#include "Error.h"
#include "RegisterDatabase.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>
#include <exception>

namespace {

const char usage[] = "usage: make-register-db N OUT.mdb [--password P] [--log-rows M] [--seed S] [--unsigned]\n";

bool parseCount(const QString &text, int &out)
{
    bool ok = false;
    out = text.toInt(&ok);
    return ok && out >= 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    RegisterDatabaseOptions options;
    QStringList positional;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == QLatin1String("--password") && hasValue) {
            options.password = args[++i];
        } else if (arg == QLatin1String("--log-rows") && hasValue) {
            if (!parseCount(args[++i], options.logRows)) {
                std::fputs(usage, stderr);
                return 2;
            }
        } else if (arg == QLatin1String("--seed") && hasValue) {
            options.seed = args[++i].toULongLong();
        } else if (arg == QLatin1String("--unsigned")) {
            options.signReceipts = false;
        } else if (arg.startsWith(QLatin1String("--"))) {
            std::fputs(usage, stderr);
            return 2;
        } else {
            positional.append(arg);
        }
    }
    if (positional.size() != 2 || !parseCount(positional[0], options.salesRows)) {
        std::fputs(usage, stderr);
        return 2;
    }
    try {
        RegisterDatabase::write(positional[1], options);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "make-register-db: %s\n", e.what());
        return 1;
    }
    return 0;
}
