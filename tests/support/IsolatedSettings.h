#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

// Points the window's settings store at a folder of the test's own, so the
// stored variant and server name neither come from nor go to the user's
// settings. clear() forgets what earlier windows stored and points the
// store at the folder again, should a test have pointed it elsewhere.
class IsolatedSettings
{
public:
    IsolatedSettings() { point(); }
    ~IsolatedSettings() { qunsetenv("XDG_CONFIG_HOME"); }
    IsolatedSettings(const IsolatedSettings &) = delete;
    IsolatedSettings &operator=(const IsolatedSettings &) = delete;

    QString path() const { return m_dir.path(); }

    void clear()
    {
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
        point();
    }

private:
    void point() { qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path())); }

    QTemporaryDir m_dir;
};
