#include "RegistryStore.h"

#include "Error.h"

RegistryStore::RegistryStore(RegistryRoot root, const QString &key) : m_registry(root), m_key(key)
{
    while (m_key.endsWith(u'\\'))
        m_key.chop(1);
    if (m_registry.keyExists(m_key))
        return;
    m_registry.createKey(m_key);
    try {
        m_registry.commit();
    } catch (const Error &) {
        // reading goes on with the defaults; a write pass reports the failure
    }
}

QString RegistryStore::sectionKey(const QString &section) const
{
    return section.isEmpty() ? m_key : m_key + u'\\' + section;
}

QString RegistryStore::readText(const QString &section, const QString &name, const QString &defaultText)
{
    const auto value = m_registry.value(sectionKey(section), name);
    if (!value)
        return defaultText;
    if (!value->isString())
        throw Error(QStringLiteral("Invalid data type for '%1'").arg(name));
    return value->text();
}

void RegistryStore::writeText(const QString &section, const QString &name, const QString &text)
{
    const QString key = sectionKey(section);
    if (!m_registry.createKey(key))
        throw Error(QStringLiteral("Failed to create key %1").arg(section));
    if (!m_registry.setValue(key, name, RegistryValue::fromString(text)))
        throw Error(QStringLiteral("Failed to set data for '%1'").arg(name));
}

void RegistryStore::eraseSection(const QString &section)
{
    m_registry.deleteKey(sectionKey(section));
}

void RegistryStore::commit()
{
    m_registry.commit();
}
