#include "platform/registry/RegistryKey.h"

#include "platform/registry/RegistryError.h"

#include <algorithm>

namespace zarta {

namespace {

char fold(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool hasControlCharacter(std::string_view name) {
    return std::any_of(name.begin(), name.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

void checkName(std::string_view name, std::string_view what) {
    if (hasControlCharacter(name)) {
        throw RegistryError(RegistryError::invalidParameter, "the " + std::string(what) +
                                                                 " name \"" + std::string(name) +
                                                                 "\" holds a control character");
    }
}

// Splits "a\b\c" into its names; empty names are kept so that callers can refuse them.
std::vector<std::string_view> splitPath(std::string_view path) {
    std::vector<std::string_view> names;
    std::size_t start = 0;
    for (;;) {
        const std::size_t separator = path.find('\\', start);
        names.push_back(path.substr(start, separator - start));
        if (separator == std::string_view::npos) {
            return names;
        }
        start = separator + 1;
    }
}

} // namespace

bool RegistryKey::sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return fold(x) == fold(y); });
}

bool RegistryKey::nameLess(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(fold(x)) < static_cast<unsigned char>(fold(y));
    });
}

RegistryKey* RegistryKey::child(std::string_view name) {
    const auto at = std::lower_bound(subkeys_.begin(), subkeys_.end(), name,
                                     [](const RegistryKey& key, std::string_view wanted) {
                                         return nameLess(key.name_, wanted);
                                     });
    return at != subkeys_.end() && sameName(at->name_, name) ? &*at : nullptr;
}

RegistryKey& RegistryKey::childOrNew(std::string_view name) {
    const auto at = std::lower_bound(subkeys_.begin(), subkeys_.end(), name,
                                     [](const RegistryKey& key, std::string_view wanted) {
                                         return nameLess(key.name_, wanted);
                                     });
    if (at != subkeys_.end() && sameName(at->name_, name)) {
        return *at;
    }
    return *subkeys_.insert(at, RegistryKey(std::string(name)));
}

const RegistryKey* RegistryKey::find(std::string_view path) const {
    return const_cast<RegistryKey*>(this)->find(path);
}

RegistryKey* RegistryKey::find(std::string_view path) {
    RegistryKey* key = this;
    for (std::string_view name : splitPath(path)) {
        key = name.empty() ? nullptr : key->child(name);
        if (key == nullptr) {
            return nullptr;
        }
    }
    return key;
}

RegistryKey& RegistryKey::create(std::string_view path) {
    const std::vector<std::string_view> names = splitPath(path);
    for (std::string_view name : names) {
        if (name.empty()) {
            throw RegistryError(RegistryError::invalidParameter,
                                "the key path \"" + std::string(path) + "\" has an empty name");
        }
        checkName(name, "key");
    }
    RegistryKey* key = this;
    for (std::string_view name : names) {
        key = &key->childOrNew(name);
    }
    return *key;
}

bool RegistryKey::removeSubkey(std::string_view name) {
    const auto at = std::find_if(subkeys_.begin(), subkeys_.end(),
                                 [&](const RegistryKey& key) { return sameName(key.name_, name); });
    if (at == subkeys_.end()) {
        return false;
    }
    subkeys_.erase(at);
    return true;
}

const RegistryValue* RegistryKey::value(std::string_view name) const {
    const auto at = std::find_if(values_.begin(), values_.end(),
                                 [&](const RegistryValue& v) { return sameName(v.name, name); });
    return at != values_.end() ? &*at : nullptr;
}

void RegistryKey::setValue(RegistryValue value) {
    checkName(value.name, "value");
    const auto at = std::lower_bound(
        values_.begin(), values_.end(), value.name,
        [](const RegistryValue& v, const std::string& wanted) { return nameLess(v.name, wanted); });
    if (at != values_.end() && sameName(at->name, value.name)) {
        value.name = at->name;
        *at = std::move(value);
    } else {
        values_.insert(at, std::move(value));
    }
}

void RegistryKey::setString(std::string_view name, std::string_view text) {
    setValue({std::string(name), RegistryValue::Type::String, std::string(text), 0});
}

void RegistryKey::setDword(std::string_view name, std::uint32_t number) {
    setValue({std::string(name), RegistryValue::Type::Dword, {}, number});
}

bool RegistryKey::removeValue(std::string_view name) {
    const auto at = std::find_if(values_.begin(), values_.end(),
                                 [&](const RegistryValue& v) { return sameName(v.name, name); });
    if (at == values_.end()) {
        return false;
    }
    values_.erase(at);
    return true;
}

} // namespace zarta
