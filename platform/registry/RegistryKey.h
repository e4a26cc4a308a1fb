#pragma once

#include "platform/registry/RegistryValue.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zarta {

// One key of a hive held in memory, with its values and subkeys. Names of keys and values are
// compared without regard to letter case (A-Z against a-z, as the registry does for the names
// this program uses) and keep the case they were created with. Subkeys and values are kept
// sorted by that comparison, so a hive always reads back in one order. A plain value; not
// thread-safe.
class RegistryKey {
public:
    explicit RegistryKey(std::string name = {}) : name_(std::move(name)) {}

    const std::string& name() const { return name_; }
    const std::vector<RegistryKey>& subkeys() const { return subkeys_; }
    const std::vector<RegistryValue>& values() const { return values_; }
    // No subkey and no value.
    bool empty() const { return subkeys_.empty() && values_.empty(); }

    // Paths are key names joined by "\" below this key. A null result: no such key.
    const RegistryKey* find(std::string_view path) const;
    RegistryKey* find(std::string_view path);
    // Opens the key of `path`, creating it and its missing parents. Throws RegistryError
    // (invalidParameter) for an empty path or name or a name holding a control character.
    RegistryKey& create(std::string_view path);
    // Deletes the subkey `name` (one name, not a path) with everything below it; false when
    // there was none.
    bool removeSubkey(std::string_view name);

    // A value by name ("" for the default value); null when there is none.
    const RegistryValue* value(std::string_view name) const;
    // Sets a value, replacing one of the same name (whose spelling is then kept). A name
    // holding a control character throws RegistryError (invalidParameter).
    void setString(std::string_view name, std::string_view text);
    void setDword(std::string_view name, std::uint32_t number);
    // False when there was no such value.
    bool removeValue(std::string_view name);

    // The registry's comparison of names.
    static bool sameName(std::string_view a, std::string_view b);
    static bool nameLess(std::string_view a, std::string_view b);

    friend bool operator==(const RegistryKey&, const RegistryKey&) = default;

private:
    RegistryKey* child(std::string_view name);
    RegistryKey& childOrNew(std::string_view name);
    void setValue(RegistryValue value);

    std::string name_;
    std::vector<RegistryKey> subkeys_;
    std::vector<RegistryValue> values_;
};

} // namespace zarta
