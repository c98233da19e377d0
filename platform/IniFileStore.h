#pragma once

#include "IniFile.h"
#include "SettingsStore.h"

#include <functional>

// The settings kept in an INI file. A bare file name lies in the per-user
// settings folder (SettingsStore::configDirectory()), the profile folder of
// this platform; a path is used as given, a Windows path mapped to the local
// file system.
//
// Reading strips one pair of enclosing quotes, so before a text is written
// a value that begins and ends with a double quote, or begins and ends with
// a single quote, is wrapped in one more pair of double quotes: it then
// reads back as written.
class IniFileStore : public SettingsStore
{
public:
    explicit IniFileStore(const QString &fileName);

    QString readText(const QString &section, const QString &name, const QString &defaultText) override;
    void writeText(const QString &section, const QString &name, const QString &text) override;
    void eraseSection(const QString &section) override;

    const QString &path() const { return m_path; }
    static QString pathFor(const QString &fileName);

private:
    void change(const std::function<void(IniFile &)> &edit);

    QString m_path;
    IniFile m_file;
};
