#pragma once

#include "Registry.h"
#include "SettingsStore.h"

// The settings kept in a registry key (e.g. "Software\DepExport" under
// HKEY_CURRENT_USER). Opening creates the key when it does not exist, also
// for reading; a key that cannot be created leaves the defaults to reading.
// Written values are kept until commit(), which stores them all at once.
//
// Values are written as REG_SZ; reading accepts REG_SZ and REG_EXPAND_SZ and
// fails with "Invalid data type for 'name'" for any other type.
class RegistryStore : public SettingsStore
{
public:
    RegistryStore(RegistryRoot root, const QString &key);

    QString readText(const QString &section, const QString &name, const QString &defaultText) override;
    // Fails with "Failed to create key <section>" or "Failed to set data for
    // 'name'" where the system registry refuses; the registry's file fails
    // only at commit().
    void writeText(const QString &section, const QString &name, const QString &text) override;
    // Removes the section's subkey with everything in it.
    void eraseSection(const QString &section) override;
    // Throws IoError naming the registry's file and the reason.
    void commit() override;

    const QString &key() const { return m_key; }

private:
    QString sectionKey(const QString &section) const;

    Registry m_registry;
    QString m_key;
};
