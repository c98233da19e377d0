#pragma once

#include <QByteArray>
#include <QString>

// One registry value as the registry keeps it: a type code and the data
// bytes. Strings are held as UTF-16LE with their terminating NUL, the form
// in which the wide registry functions store them.
struct RegistryValue
{
    enum Type : quint32 {
        None = 0,
        String = 1,       // REG_SZ
        ExpandString = 2, // REG_EXPAND_SZ
        Binary = 3,       // REG_BINARY
        DWord = 4,        // REG_DWORD
        MultiString = 7,  // REG_MULTI_SZ
        QWord = 11,       // REG_QWORD
    };

    quint32 type = None;
    QByteArray data;

    static RegistryValue fromString(const QString &text, Type type = String);
    static RegistryValue fromDWord(quint32 value);

    // REG_SZ and REG_EXPAND_SZ are the string types.
    bool isString() const { return type == String || type == ExpandString; }
    // The text of a string value; it ends at the first NUL of the data.
    QString text() const;
    quint32 dword() const;

    bool operator==(const RegistryValue &) const = default;
};
