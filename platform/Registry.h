#pragma once

#include "RegistryValue.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

// The root keys of the registry.
enum class RegistryRoot {
    CurrentUser,
    LocalMachine,
    CurrentConfig,
    ClassesRoot,
    Users,
    DynData,
};

// The registry under one root key. Key paths are relative to the root and
// use "\" between their levels ("Software\DepExport\Tfrm_barverkauf").
//
// On Windows this is the system registry. Elsewhere the registry lives in a
// per-user file in the registry editor's export format (see RegistryFile),
// $XDG_CONFIG_HOME/DepExport/registry.reg: it is read once when the object
// is made; changes are kept until commit(), which writes them into the file
// once, atomically (see AtomicFile). A file that cannot be read counts as
// empty; before such a file is replaced it is kept as registry.reg.bak.
class Registry
{
public:
    explicit Registry(RegistryRoot root);
    ~Registry();
    Registry(const Registry &) = delete;
    Registry &operator=(const Registry &) = delete;

    static QString rootName(RegistryRoot root);
    // The file that holds the registry where the platform has none.
    static QString filePath();

    bool keyExists(const QString &key) const;
    // Creates the key and the levels above it; false when that fails.
    bool createKey(const QString &key);
    // Deletes the key with all its subkeys; false when that fails.
    bool deleteKey(const QString &key);
    QStringList subKeys(const QString &key) const;

    // Nothing when the key or the value does not exist or cannot be read.
    std::optional<RegistryValue> value(const QString &key, const QString &name) const;
    // The key must exist; false when the value cannot be written.
    bool setValue(const QString &key, const QString &name, const RegistryValue &value);

    // Makes the changes lasting. Throws IoError with the file's name and the
    // reason; the changes then stay pending. Changes not committed are lost
    // with the object.
    void commit();

private:
    struct Private;
    std::unique_ptr<Private> d;
};
