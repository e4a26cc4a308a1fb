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
// sorted by that comparison, so a hive always reads back in one order.
//
// The registry's limits hold for every key: a key is at most maxDepth levels below the key it
// was made from (its hive's root), a key name at most maxKeyName characters, a value name at
// most maxValueName characters and a text value at most maxValueBytes bytes. So a tree of keys
// is never deeper than maxDepth, and whatever walks it (reading, writing, copying, destroying)
// recurses at most that far. A plain value; not thread-safe.
class RegistryKey {
public:
    static constexpr std::size_t maxDepth = 512;
    static constexpr std::size_t maxKeyName = 255;
    static constexpr std::size_t maxValueName = 16383;
    static constexpr std::size_t maxValueBytes = 1 << 20;

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
    // (invalidParameter) for an empty path or name, a name holding a control character or
    // longer than maxKeyName, and a key that would lie deeper than maxDepth.
    RegistryKey& create(std::string_view path);
    // Deletes the subkey `name` (one name, not a path) with everything below it; false when
    // there was none.
    bool removeSubkey(std::string_view name);

    // A value by name ("" for the default value); null when there is none.
    const RegistryValue* value(std::string_view name) const;
    // Sets a value, replacing one of the same name (whose spelling is then kept). A name
    // holding a control character or longer than maxValueName, and a text longer than
    // maxValueBytes, throw RegistryError (invalidParameter).
    void setString(std::string_view name, std::string_view text);
    void setDword(std::string_view name, std::uint32_t number);
    // False when there was no such value.
    bool removeValue(std::string_view name);

    // The registry's comparison of names.
    static bool sameName(std::string_view a, std::string_view b);
    static bool nameLess(std::string_view a, std::string_view b);

    // Equal names, values and subkeys, wherever the two keys stand.
    friend bool operator==(const RegistryKey& a, const RegistryKey& b) {
        return a.name_ == b.name_ && a.values_ == b.values_ && a.subkeys_ == b.subkeys_;
    }

private:
    RegistryKey* child(std::string_view name);
    RegistryKey& childOrNew(std::string_view name);
    void setValue(RegistryValue value);

    std::string name_;
    std::size_t depth_ = 0; // levels below the key the tree was made from
    std::vector<RegistryKey> subkeys_;
    std::vector<RegistryValue> values_;
};

} // namespace zarta
