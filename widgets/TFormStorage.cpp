#include "TFormStorage.h"

#include "SettingsStore.h"
#include "TPropsStorage.h"

TFormStorage::TFormStorage(QWidget *owner) : TFormPlacement(owner) {}

TFormStorage::~TFormStorage()
{
    ownerDestroying();
}

QStringList TFormStorage::storedProps() const
{
    QStringList entries;
    for (const StoredProp &prop : m_storedProps)
        entries.append(prop.entry);
    return entries;
}

void TFormStorage::setStoredProps(const QStringList &entries)
{
    m_storedProps.clear();
    for (const QString &entry : entries)
        m_storedProps.append(StoredProp{entry, {}, {}});
    if (isLoaded())
        resolveStoredProps();
}

void TFormStorage::loaded()
{
    TFormPlacement::loaded();
    resolveStoredProps();
}

QObject *TFormStorage::findComponent(const QString &name) const
{
    if (!owner())
        return nullptr;
    const auto children = owner()->findChildren<QObject *>();
    for (QObject *child : children) {
        if (child->objectName().compare(name, Qt::CaseInsensitive) == 0)
            return child;
    }
    return nullptr;
}

void TFormStorage::resolveStoredProps()
{
    for (qsizetype i = m_storedProps.size() - 1; i >= 0; --i) {
        StoredProp &prop = m_storedProps[i];
        const qsizetype dot = prop.entry.indexOf(u'.');
        const QString componentName = dot < 0 ? QString() : TPropsStorage::trimmed(prop.entry.left(dot));
        const QString propertyName = dot < 0 ? QString() : TPropsStorage::trimmed(prop.entry.mid(dot + 1));
        QObject *component = componentName.isEmpty() || propertyName.isEmpty() ? nullptr : findComponent(componentName);
        if (!component) {
            m_storedProps.removeAt(i);
            continue;
        }
        prop.propertyName = propertyName;
        prop.component = component;
    }
}

void TFormStorage::writePlacement()
{
    TFormPlacement::writePlacement();
    writeStoredProps();
}

void TFormStorage::readPlacement()
{
    TFormPlacement::readPlacement();
    readStoredProps();
}

void TFormStorage::readStoredProps()
{
    SettingsStore *settings = store();
    if (!settings)
        return;
    try {
        for (const StoredProp &prop : std::as_const(m_storedProps)) {
            if (!prop.component)
                continue;
            TPropsStorage storage(prop.component, prop.component->objectName() + u'_', iniSection(), owner());
            storage.setReadText([settings](const QString &section, const QString &name, const QString &defaultText) {
                return settings->readText(section, name, defaultText);
            });
            try {
                storage.loadProperty(prop.propertyName);
            } catch (...) {
                // a value that is not a text or does not convert leaves the property as it is
            }
        }
    } catch (...) {
    }
}

void TFormStorage::writeStoredProps()
{
    SettingsStore *settings = store();
    if (!settings)
        return;
    for (const StoredProp &prop : std::as_const(m_storedProps)) {
        if (!prop.component)
            continue;
        TPropsStorage storage(prop.component, prop.component->objectName() + u'_', iniSection(), owner());
        storage.setWriteText([settings](const QString &section, const QString &name, const QString &text) {
            settings->writeText(section, name, text);
        });
        storage.setEraseSection([settings](const QString &section) { settings->eraseSection(section); });
        storage.storeProperty(prop.propertyName);
    }
}
