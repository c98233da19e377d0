// The registry of platforms that have none: a file per user.
#include "Registry.h"

#include "AtomicFile.h"
#include "RegistryFile.h"
#include "SettingsStore.h"

#include <QFile>

#include <functional>

namespace {

void keepBackup(const QString &path)
{
    QFile damaged(path);
    if (!damaged.open(QIODevice::ReadOnly))
        return; // gone meanwhile: nothing to keep
    const QString backup = path + QStringLiteral(".bak");
    AtomicFile file(backup, backup);
    file.write(damaged.readAll());
    file.commit();
}

} // namespace

struct Registry::Private
{
    RegistryRoot root;
    RegistryFile hive;
    // The changes made since the last commit, in order.
    QList<std::function<void(RegistryFile &)>> pending;

    QString fullPath(const QString &key) const
    {
        return key.isEmpty() ? rootName(root) : rootName(root) + u'\\' + key;
    }

    bool change(std::function<void(RegistryFile &)> edit)
    {
        edit(hive);
        pending.append(std::move(edit));
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
    return d->change([path = d->fullPath(key)](RegistryFile &hive) { hive.createKey(path); });
}

bool Registry::deleteKey(const QString &key)
{
    if (!keyExists(key))
        return false;
    return d->change([path = d->fullPath(key)](RegistryFile &hive) { hive.deleteKey(path); });
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
    return d->change([path = d->fullPath(key), name, value](RegistryFile &hive) { hive.setValue(path, name, value); });
}

// The changes go into the file as it is now on disk, so that what another
// program wrote there meanwhile stays; the file is written once, and only
// when it changes. A file that was damaged is kept as a backup before it is
// replaced; when the backup cannot be made the file is not replaced. When
// the file cannot be written the changes stay pending.
void Registry::commit()
{
    if (d->pending.isEmpty())
        return;
    const QString path = filePath();
    RegistryFile current;
    const RegistryFile::LoadResult loaded = current.load(path);
    RegistryFile changed = current;
    for (const auto &edit : std::as_const(d->pending))
        edit(changed);
    if (!(changed == current) || loaded == RegistryFile::LoadResult::Missing) {
        if (loaded == RegistryFile::LoadResult::Damaged)
            keepBackup(path);
        changed.save(path);
    }
    d->hive = std::move(changed);
    d->pending.clear();
}
