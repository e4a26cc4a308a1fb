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

// Characters of UTF-8 text: the bytes that start one.
std::size_t characters(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// A name or path as a message shows it: a damaged file may hold one of megabytes.
std::string shown(std::string_view text) {
    constexpr std::size_t longest = 60;
    return text.size() <= longest ? std::string(text)
                                  : std::string(text.substr(0, longest)) + "...";
}

[[noreturn]] void invalid(const std::string& what) {
    throw RegistryError(RegistryError::invalidParameter, what);
}

void checkName(std::string_view name, std::string_view what, std::size_t longest) {
    if (hasControlCharacter(name)) {
        invalid("the " + std::string(what) + " name \"" + shown(name) +
                "\" holds a control character");
    }
    if (characters(name) > longest) {
        invalid("the " + std::string(what) + " name \"" + shown(name) + "\" is longer than " +
                std::to_string(longest) + " characters");
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
    RegistryKey child{std::string(name)};
    child.depth_ = depth_ + 1;
    return *subkeys_.insert(at, std::move(child));
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
    // Counted before anything is split or made: a damaged file may name a million levels.
    const auto levels = static_cast<std::size_t>(std::count(path.begin(), path.end(), '\\')) + 1;
    if (depth_ + levels > maxDepth) {
        invalid("the key \"" + shown(path) + "\" would lie " + std::to_string(depth_ + levels) +
                " levels deep; keys are nested at most " + std::to_string(maxDepth) + " levels");
    }
    const std::vector<std::string_view> names = splitPath(path);
    for (std::string_view name : names) {
        if (name.empty()) {
            invalid("the key path \"" + shown(path) + "\" has an empty name");
        }
        checkName(name, "key", maxKeyName);
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
    checkName(value.name, "value", maxValueName);
    if (value.text.size() > maxValueBytes) {
        invalid("the value \"" + shown(value.name) + "\" holds " +
                std::to_string(value.text.size()) + " bytes; a value holds at most " +
                std::to_string(maxValueBytes));
    }
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
