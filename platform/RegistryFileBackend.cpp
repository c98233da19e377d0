// The registry of platforms that have none: a file per user.
#include "Registry.h"

#include "Error.h"
#include "RegistryFile.h"
#include "SettingsStore.h"

#include <QFile>

#include <functional>

struct Registry::Private
{
    RegistryRoot root;
    RegistryFile hive;

    QString fullPath(const QString &key) const
    {
        return key.isEmpty() ? rootName(root) : rootName(root) + u'\\' + key;
    }

    // Applies a change to the file as it is now on disk and writes it back.
    // A file that was damaged is kept as a backup before it is replaced.
    bool modify(const std::function<bool(RegistryFile &)> &change)
    {
        const QString path = filePath();
        RegistryFile current;
        const RegistryFile::LoadResult loaded = current.load(path);
        RegistryFile changed = current;
        if (!change(changed))
            return false;
        if (changed == current && loaded != RegistryFile::LoadResult::Missing) {
            hive = changed;
            return true;
        }
        try {
            if (loaded == RegistryFile::LoadResult::Damaged) {
                QFile::remove(path + QStringLiteral(".bak"));
                QFile::copy(path, path + QStringLiteral(".bak"));
            }
            changed.save(path);
        } catch (const Error &) {
            return false;
        }
        hive = changed;
        return true;
    }
};

Registry::Registry(RegistryRoot root) : d(std::make_unique<Private>())
{
    d->root = root;
    d->hive.load(filePath());
}

Registry::~Registry() = default;

QString Registry::filePath()
{
    return SettingsStore::configDirectory() + QStringLiteral("/registry.reg");
}

bool Registry::keyExists(const QString &key) const
{
    return d->hive.keyExists(d->fullPath(key));
}

bool Registry::createKey(const QString &key)
{
    if (keyExists(key))
        return true;
    return d->modify([&](RegistryFile &hive) {
        hive.createKey(d->fullPath(key));
        return true;
    });
}

bool Registry::deleteKey(const QString &key)
{
    if (!keyExists(key))
        return false;
    return d->modify([&](RegistryFile &hive) {
        hive.deleteKey(d->fullPath(key));
        return true;
    });
}

QStringList Registry::subKeys(const QString &key) const
{
    return d->hive.subKeys(d->fullPath(key));
}

std::optional<RegistryValue> Registry::value(const QString &key, const QString &name) const
{
    return d->hive.value(d->fullPath(key), name);
}

bool Registry::setValue(const QString &key, const QString &name, const RegistryValue &value)
{
    if (!keyExists(key))
        return false;
    return d->modify([&](RegistryFile &hive) {
        hive.setValue(d->fullPath(key), name, value);
        return true;
    });
}
