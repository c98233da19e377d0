#pragma once

#include "RegistryValue.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// A registry hive kept as a text file in the format of the registry editor's
// export ("Windows Registry Editor Version 5.00"): one "[full key path]"
// line per key followed by its values, "name"="text" for REG_SZ,
// dword:0000000a for REG_DWORD, hex(2):... for REG_EXPAND_SZ, hex:... for
// binary data and hex(N):... for any other type. Key paths carry their root
// ("HKEY_CURRENT_USER\Software\DepExport"). Key and value names compare
// without case, as in the registry; their spelling is kept. Keys and values
// are found through hash tables, so reading and writing a file take time in
// proportion to its size.
class RegistryFile
{
public:
    enum class LoadResult {
        Missing, // no file: an empty hive
        Loaded,  // read completely
        Damaged, // unreadable or partly not understood: what could be read is kept
    };

    static constexpr QStringView header = u"Windows Registry Editor Version 5.00";

    // Never throws: a file that cannot be read gives an empty hive.
    LoadResult load(const QString &path);
    // Replaces the file atomically; throws IoError when it cannot be written.
    void save(const QString &path) const;

    // Parses the text of a file; `damaged` tells whether anything was skipped.
    static RegistryFile parse(const QByteArray &bytes, bool *damaged = nullptr);
    QByteArray toBytes() const;

    bool keyExists(const QString &key) const;
    void createKey(const QString &key);
    // Removes the key with all its subkeys; false when there was none.
    bool deleteKey(const QString &key);
    QStringList subKeys(const QString &key) const;

    std::optional<RegistryValue> value(const QString &key, const QString &name) const;
    // Creates the key when it does not exist.
    void setValue(const QString &key, const QString &name, const RegistryValue &value);
    bool deleteValue(const QString &key, const QString &name);

    bool operator==(const RegistryFile &other) const { return m_keys == other.m_keys; }

private:
    struct NamedValue
    {
        QString name;
        RegistryValue value;
        bool operator==(const NamedValue &) const = default;
    };
    struct Key
    {
        QString path;
        QList<NamedValue> values;
        QHash<QString, qsizetype> valueIndex; // folded name -> position in values

        bool operator==(const Key &other) const { return path == other.path && values == other.values; }
        qsizetype indexOfValue(const QString &name) const;
        void reindexValues();
    };

    qsizetype indexOfKey(const QString &key) const;
    void reindexKeys();
    bool parseLine(const QString &line, qsizetype &currentKey);

    QList<Key> m_keys;
    QHash<QString, qsizetype> m_keyIndex; // folded path -> position in m_keys
};
