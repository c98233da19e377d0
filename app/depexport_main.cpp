// depexport: the program's batch mode without a window, linked against
// Qt Core only, so that it runs on a server or in a container without a
// desktop. The same options, messages, exit codes and files as
// `DepExport` with options.
#include "BatchRun.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    return BatchRun().run(application.arguments().mid(1));
}
