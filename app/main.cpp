#include "BatchRun.h"
#include "Tfrm_dep.h"

#include <QApplication>

#include <cstdio>

namespace {

// Batch runs print their own German messages; Qt's notes about the
// platform (no runtime folder, no display) are no concern of the user's.
void keepOnlyCriticalMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char *argv[])
{
    // With arguments the exports run without a window, also where there is
    // no display. The window is made but never shown, so the platform
    // without screen and fonts does: no font configuration is read and no
    // face loaded, which would cost more than a small export.
    const bool batch = argc > 1;
    if (batch) {
        qputenv("QT_QPA_PLATFORM", "minimal");
        qInstallMessageHandler(keepOnlyCriticalMessages);
    }
    QApplication application(argc, argv);
    if (batch)
        return BatchRun().run(application.arguments().mid(1));
    Tfrm_dep frm_dep;
    frm_dep.show();
    return application.exec();
}
