#include "Registry.h"

QString Registry::rootName(RegistryRoot root)
{
    switch (root) {
    case RegistryRoot::CurrentUser: return QStringLiteral("HKEY_CURRENT_USER");
    case RegistryRoot::LocalMachine: return QStringLiteral("HKEY_LOCAL_MACHINE");
    case RegistryRoot::CurrentConfig: return QStringLiteral("HKEY_CURRENT_CONFIG");
    case RegistryRoot::ClassesRoot: return QStringLiteral("HKEY_CLASSES_ROOT");
    case RegistryRoot::Users: return QStringLiteral("HKEY_USERS");
    case RegistryRoot::DynData: return QStringLiteral("HKEY_DYN_DATA");
    }
    return QStringLiteral("HKEY_CURRENT_USER");
}
