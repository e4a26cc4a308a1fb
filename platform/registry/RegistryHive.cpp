#include "platform/registry/RegistryHive.h"

#include "platform/registry/RegistryKey.h"

namespace zarta {

std::string hiveName(RegistryHive hive) {
    switch (hive) {
    case RegistryHive::ClassesRoot:
        return "HKEY_CLASSES_ROOT";
    case RegistryHive::CurrentUser:
        return "HKEY_CURRENT_USER";
    case RegistryHive::LocalMachine:
        return "HKEY_LOCAL_MACHINE";
    }
    return {};
}

std::optional<RegistryHive> hiveFromName(std::string_view name) {
    struct Alias {
        const char* full;
        const char* shortForm;
        RegistryHive hive;
    };
    constexpr Alias aliases[] = {
        {"HKEY_CLASSES_ROOT", "HKCR", RegistryHive::ClassesRoot},
        {"HKEY_CURRENT_USER", "HKCU", RegistryHive::CurrentUser},
        {"HKEY_LOCAL_MACHINE", "HKLM", RegistryHive::LocalMachine},
    };
    for (const Alias& alias : aliases) {
        if (RegistryKey::sameName(name, alias.full) ||
            RegistryKey::sameName(name, alias.shortForm)) {
            return alias.hive;
        }
    }
    return std::nullopt;
}

} // namespace zarta
