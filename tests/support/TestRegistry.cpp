#include "TestRegistry.h"

#include "Registry.h"

RegistryFile TestRegistry::hive() const
{
    RegistryFile file;
    file.load(Registry::filePath());
    return file;
}

QString TestRegistry::stored(const QString &name) const
{
    const auto value = hive().value(m_key, name);
    return value ? value->text() : QStringLiteral("<none>");
}

void TestRegistry::store(const QString &name, const RegistryValue &value)
{
    RegistryFile file = hive();
    file.setValue(m_key, name, value);
    file.save(Registry::filePath());
}

void TestRegistry::store(const QString &name, const QString &text)
{
    store(name, RegistryValue::fromString(text));
}
