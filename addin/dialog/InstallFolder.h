#pragma once

#include <string>

namespace zarta {

class Registry;

namespace addin {

// The add-in's installation folder: one text for the whole process, empty at first, read again
// from HKEY_LOCAL_MACHINE\SOFTWARE\ZWTPath, value "InstallPath", each time a convert dialog
// starts. A key that cannot be read (missing, or its hive unreadable) leaves the text as it was;
// a key without a text value "InstallPath" empties it. Thread-safe.
class InstallFolder {
public:
    static constexpr const char* keyPath = "SOFTWARE\\ZWTPath";
    static constexpr const char* valueName = "InstallPath";

    static void refresh(const Registry& registry);
    static std::string current();
};

} // namespace addin
} // namespace zarta
