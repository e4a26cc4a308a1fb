#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zarta::com {

// A globally unique identifier with the field layout of Windows' GUID. Plain value; any thread.
struct GUID {
    std::uint32_t Data1 = 0;
    std::uint16_t Data2 = 0;
    std::uint16_t Data3 = 0;
    std::array<std::uint8_t, 8> Data4{};

    friend constexpr bool operator==(const GUID&, const GUID&) = default;

    // The registry form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case hexadecimal as the
    // system writes it.
    std::string toString() const;

    // Reads the registry form in either letter case; braces are required. Anything else
    // (missing digits, extra text, misplaced hyphens) gives no value.
    static std::optional<GUID> parse(std::string_view text);
};

using IID = GUID;
using CLSID = GUID;
using REFIID = const IID&;
using REFCLSID = const CLSID&;
using REFGUID = const GUID&;

// The all-zero identifier.
constexpr GUID GUID_NULL{};

} // namespace zarta::com
