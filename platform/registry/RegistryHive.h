#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zarta {

// The root keys the program uses. HKEY_CLASSES_ROOT and HKEY_CURRENT_USER belong to the user;
// HKEY_LOCAL_MACHINE is the installation's and read-only to the user.
enum class RegistryHive { ClassesRoot, CurrentUser, LocalMachine };

// "HKEY_CLASSES_ROOT", ...: the name in key paths and of the hive's file.
std::string hiveName(RegistryHive hive);

// The hive of a full name or of its usual short form (HKCR, HKCU, HKLM), in either letter case.
std::optional<RegistryHive> hiveFromName(std::string_view name);

} // namespace zarta
