#pragma once

#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>

// Points the window's settings store at a folder of the test's own, so the
// stored variant and server name neither come from nor go to the user's
// settings. clear() forgets what earlier windows stored.
class IsolatedSettings
{
public:
    IsolatedSettings() { qputenv("XDG_CONFIG_HOME", m_dir.path().toLocal8Bit()); }
    ~IsolatedSettings() { qunsetenv("XDG_CONFIG_HOME"); }
    IsolatedSettings(const IsolatedSettings &) = delete;
    IsolatedSettings &operator=(const IsolatedSettings &) = delete;

    void clear()
    {
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
    }

private:
    QTemporaryDir m_dir;
};
