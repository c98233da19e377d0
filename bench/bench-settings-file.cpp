// Times the main window's stored settings on a settings file that holds
// many other keys: showing the window (one read of the file) and closing it
// (one write), for 5,000 and 50,000 keys, with the time per key.
//
//     QT_QPA_PLATFORM=offscreen build/bench/bench-settings-file [keys...]

#include "Registry.h"
#include "RegistryFile.h"
#include "TRadioGroup.h"
#include "Tfrm_dep.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

namespace {

void writeSettingsFile(int keys)
{
    RegistryFile file;
    for (int i = 0; i < keys; ++i)
        file.setValue(QStringLiteral("HKEY_CURRENT_USER\\Software\\Other\\Key%1").arg(i), QStringLiteral("Name"),
                      RegistryValue::fromString(QStringLiteral("value %1").arg(i)));
    file.setValue(QStringLiteral("HKEY_CURRENT_USER\\Software\\DepExport\\Tfrm_barverkauf"),
                  QStringLiteral("rg_version_ItemIndex"), RegistryValue::fromString(QStringLiteral("3")));
    file.save(Registry::filePath());
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QList<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.append(QString::fromLocal8Bit(argv[i]).toInt());
    if (sizes.isEmpty())
        sizes = {5000, 50000};

    std::printf("%8s %10s %10s %12s\n", "keys", "show ms", "close ms", "close us/key");
    for (const int keys : std::as_const(sizes)) {
        writeSettingsFile(keys);
        Tfrm_dep window;
        QElapsedTimer timer;
        timer.start();
        window.show();
        const double showMs = timer.nsecsElapsed() / 1e6;
        window.rg_version->setItemIndex(4);
        timer.restart();
        window.close();
        const double closeMs = timer.nsecsElapsed() / 1e6;
        std::printf("%8d %10.1f %10.1f %12.2f\n", keys, showMs, closeMs, closeMs * 1000 / keys);
    }
    return 0;
}
