#include "BatchOptions.h"
#include "BatchRun.h"
#include "Tfrm_dep.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

// Batch runs print their own German messages; Qt's notes about the
// platform (no runtime folder, no display) are no concern of the user's.
void keepOnlyCriticalMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

// While the window's application starts: Qt ends a start without a display
// (no X server, no Wayland) with English texts and an abort. The user gets
// one German line and exit code 2 instead. Qt's other messages of the start
// are held back and handed to its own handler once the start succeeded.
class DesktopStartGuard
{
public:
    DesktopStartGuard() { s_qtHandler = qInstallMessageHandler(hold); }
    ~DesktopStartGuard()
    {
        qInstallMessageHandler(s_qtHandler);
        for (const auto &[type, message] : std::as_const(s_held))
            pass(type, QMessageLogContext(), message);
        s_held.clear();
    }
    DesktopStartGuard(const DesktopStartGuard &) = delete;
    DesktopStartGuard &operator=(const DesktopStartGuard &) = delete;

private:
    static void hold(QtMsgType type, const QMessageLogContext &, const QString &message)
    {
        if (type != QtFatalMsg) {
            s_held.append({type, message});
            return;
        }
        std::fprintf(stderr, "%s\n", BatchMessages::noDesktop().toLocal8Bit().constData());
        std::fflush(stderr);
        std::_Exit(ExitBadInput);
    }
    static void pass(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        if (s_qtHandler)
            s_qtHandler(type, context, message);
        else
            std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    }

    static inline QtMessageHandler s_qtHandler = nullptr;
    static inline QList<std::pair<QtMsgType, QString>> s_held;
};

QStringList argumentsOf(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

} // namespace

int main(int argc, char *argv[])
{
    // With arguments the exports run without a window, also where there is
    // no display. The window is made but never shown, so the platform
    // without screen and fonts does: no font configuration is read and no
    // face loaded, which would cost more than a small export. Qt's own
    // options alone (-platform xcb, -style fusion) open the window.
    const bool batch = !BatchOptions::opensWindow(argumentsOf(argc, argv));
    if (batch) {
        qputenv("QT_QPA_PLATFORM", "minimal");
        qInstallMessageHandler(keepOnlyCriticalMessages);
        QApplication application(argc, argv);
        return BatchRun().run(application.arguments().mid(1));
    }
    std::optional<DesktopStartGuard> startGuard(std::in_place);
    QApplication application(argc, argv);
    startGuard.reset();
    Tfrm_dep frm_dep;
    frm_dep.show();
    return application.exec();
}
