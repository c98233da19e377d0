// The system registry of Windows.
#include "Registry.h"

#include <qt_windows.h>

#include <QList>

namespace {

HKEY rootKey(RegistryRoot root)
{
    switch (root) {
    case RegistryRoot::CurrentUser: return HKEY_CURRENT_USER;
    case RegistryRoot::LocalMachine: return HKEY_LOCAL_MACHINE;
    case RegistryRoot::CurrentConfig: return HKEY_CURRENT_CONFIG;
    case RegistryRoot::ClassesRoot: return HKEY_CLASSES_ROOT;
    case RegistryRoot::Users: return HKEY_USERS;
    case RegistryRoot::DynData: return HKEY_DYN_DATA;
    }
    return HKEY_CURRENT_USER;
}

const wchar_t *wide(const QString &text)
{
    return reinterpret_cast<const wchar_t *>(text.utf16());
}

// An open registry key, closed when it goes out of scope.
class KeyHandle
{
public:
    KeyHandle() = default;
    ~KeyHandle()
    {
        if (m_key)
            RegCloseKey(m_key);
    }
    KeyHandle(const KeyHandle &) = delete;
    KeyHandle &operator=(const KeyHandle &) = delete;

    bool open(HKEY root, const QString &path, REGSAM access)
    {
        return RegOpenKeyExW(root, wide(path), 0, access, &m_key) == ERROR_SUCCESS;
    }
    bool create(HKEY root, const QString &path)
    {
        return RegCreateKeyExW(root, wide(path), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                               &m_key, nullptr)
            == ERROR_SUCCESS;
    }
    HKEY get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

QStringList enumerateSubKeys(HKEY key)
{
    QStringList names;
    DWORD count = 0, longest = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &count, &longest, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr)
        != ERROR_SUCCESS)
        return names;
    QList<wchar_t> buffer(qsizetype(longest) + 1);
    for (DWORD i = 0; i < count; ++i) {
        DWORD size = DWORD(buffer.size());
        if (RegEnumKeyExW(key, i, buffer.data(), &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
            names.append(QString::fromWCharArray(buffer.data(), size));
    }
    return names;
}

} // namespace

struct Registry::Private
{
    HKEY root;
};

Registry::Registry(RegistryRoot root) : d(std::make_unique<Private>())
{
    d->root = rootKey(root);
}

Registry::~Registry() = default;

QString Registry::filePath()
{
    return {};
}

bool Registry::keyExists(const QString &key) const
{
    KeyHandle handle;
    return handle.open(d->root, key, KEY_READ);
}

bool Registry::createKey(const QString &key)
{
    KeyHandle handle;
    return handle.create(d->root, key);
}

bool Registry::deleteKey(const QString &key)
{
    {
        KeyHandle handle;
        if (!handle.open(d->root, key, KEY_ALL_ACCESS))
            return false;
        for (const QString &sub : enumerateSubKeys(handle.get()))
            deleteKey(key + u'\\' + sub);
    }
    return RegDeleteKeyW(d->root, wide(key)) == ERROR_SUCCESS;
}

QStringList Registry::subKeys(const QString &key) const
{
    KeyHandle handle;
    if (!handle.open(d->root, key, KEY_READ))
        return {};
    return enumerateSubKeys(handle.get());
}

std::optional<RegistryValue> Registry::value(const QString &key, const QString &name) const
{
    KeyHandle handle;
    if (!handle.open(d->root, key, KEY_READ))
        return std::nullopt;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(handle.get(), wide(name), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    RegistryValue value;
    value.type = type;
    value.data.resize(size);
    if (RegQueryValueExW(handle.get(), wide(name), nullptr, &type,
                         reinterpret_cast<BYTE *>(value.data.data()), &size)
        != ERROR_SUCCESS)
        return std::nullopt;
    value.data.resize(size);
    return value;
}

bool Registry::setValue(const QString &key, const QString &name, const RegistryValue &value)
{
    KeyHandle handle;
    if (!handle.open(d->root, key, KEY_ALL_ACCESS))
        return false;
    const bool written = RegSetValueExW(handle.get(), wide(name), 0, value.type,
                                        reinterpret_cast<const BYTE *>(value.data.constData()),
                                        DWORD(value.data.size()))
        == ERROR_SUCCESS;
    return written && RegFlushKey(handle.get()) == ERROR_SUCCESS;
}

// Every change is in the system registry as soon as it is made.
void Registry::commit() {}
