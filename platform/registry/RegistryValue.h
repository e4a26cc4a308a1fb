#pragma once

#include <cstdint>
#include <string>

namespace zarta {

// One named value of a key: a string (REG_SZ, UTF-8 here) or a 32-bit number (REG_DWORD).
// The empty name is the key's unnamed (default) value.
struct RegistryValue {
    enum class Type { String, Dword };

    std::string name;
    Type type = Type::String;
    std::string text;
    std::uint32_t number = 0;

    friend bool operator==(const RegistryValue&, const RegistryValue&) = default;
};

} // namespace zarta
