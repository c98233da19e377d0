#include "IniFileStore.h"

#include "WindowsPath.h"

#include <functional>

IniFileStore::IniFileStore(const QString &fileName) : m_path(pathFor(fileName)), m_file(IniFile::load(m_path)) {}

QString IniFileStore::pathFor(const QString &fileName)
{
    if (!fileName.contains(u'/') && !fileName.contains(u'\\') && !fileName.contains(u':'))
        return configDirectory() + u'/' + fileName;
    return WindowsPath::toLocal(fileName);
}

QString IniFileStore::readText(const QString &section, const QString &name, const QString &defaultText)
{
    return m_file.value(section, name).value_or(defaultText);
}

void IniFileStore::writeText(const QString &section, const QString &name, const QString &text)
{
    QString stored = text;
    const bool quotedInDouble = text.startsWith(u'"') && text.endsWith(u'"');
    const bool quotedInSingle = text.startsWith(u'\'') && text.endsWith(u'\'');
    if (quotedInDouble || quotedInSingle)
        stored = u'"' + text + u'"';
    change([&](IniFile &file) { file.setValue(section, name, stored); });
}

void IniFileStore::eraseSection(const QString &section)
{
    change([&](IniFile &file) { file.eraseSection(section); });
}

// Applies the edit to the file as it is now on disk and writes it back.
void IniFileStore::change(const std::function<void(IniFile &)> &edit)
{
    IniFile current = IniFile::load(m_path);
    IniFile changed = current;
    edit(changed);
    if (!(changed == current))
        changed.save(m_path);
    m_file = changed;
}
