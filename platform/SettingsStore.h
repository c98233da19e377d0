#pragma once

#include <QString>

#include <optional>

// Where the window settings are kept: a registry key or an INI file. A
// section is a subkey of the key (a [section] of the file), a setting is a
// text value in it. Integers are kept as their decimal text.
//
// Reading a value that does not exist gives the default. Failures are thrown
// as Error with the message the user sees.
class SettingsStore
{
public:
    virtual ~SettingsStore();

    virtual QString readText(const QString &section, const QString &name, const QString &defaultText) = 0;
    virtual void writeText(const QString &section, const QString &name, const QString &text) = 0;
    virtual void eraseSection(const QString &section) = 0;
    // Makes the changes of this pass lasting: a store may keep them until
    // then and write them at once. Throws Error. The default does nothing,
    // for stores that write every change as it is made.
    virtual void commit();

    // A text that is not a number gives the default.
    int readInteger(const QString &section, const QString &name, int defaultValue);
    void writeInteger(const QString &section, const QString &name, int value);

    // The program's file name without directory and extension; it names the
    // registry key "Software\DepExport" and the INI file "DepExport.INI".
    static QString programName();
    // The per-user folder of the stored settings where the platform has no
    // registry and no profile directory: $XDG_CONFIG_HOME/DepExport, by
    // default ~/.config/DepExport.
    static QString configDirectory();

    // An integer as the settings texts write it: decimal, or hexadecimal
    // after "$" or "0x", with an optional sign; nothing for any other text
    // and for a number outside 32 bits.
    static std::optional<int> parseInteger(const QString &text);
    // The same texts as a 64-bit number, for the properties that hold one.
    static std::optional<qlonglong> parseInt64(const QString &text);
};
