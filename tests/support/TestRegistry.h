#pragma once

#include "IsolatedSettings.h"
#include "RegistryFile.h"

#include <QString>

// The per-user registry file of the window settings, in a settings folder
// of the test's own, read and changed behind the program's back in one key.
// clear() before each test: it starts without stored settings.
class TestRegistry
{
public:
    explicit TestRegistry(const QString &key) : m_key(key) {}

    void clear() { m_settings.clear(); }
    // The folder that stands for $XDG_CONFIG_HOME.
    QString folder() const { return m_settings.path(); }

    RegistryFile hive() const;
    // The text of a value of the key; "<none>" when there is none.
    QString stored(const QString &name) const;
    void store(const QString &name, const RegistryValue &value);
    void store(const QString &name, const QString &text);

private:
    IsolatedSettings m_settings;
    QString m_key;
};
