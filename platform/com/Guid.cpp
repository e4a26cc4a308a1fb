#include "platform/com/Guid.h"

#include <cstdio>

namespace zarta::com {

std::string GUID::toString() const {
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(Data1), Data2, Data3, Data4[0], Data4[1], Data4[2],
                  Data4[3], Data4[4], Data4[5], Data4[6], Data4[7]);
    return text;
}

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Reads `digits` hexadecimal digits at `at`; false when one is not a digit.
bool readHex(std::string_view text, std::size_t at, int digits, std::uint64_t& value) {
    value = 0;
    for (int i = 0; i < digits; ++i) {
        const int digit = hexDigit(text[at + static_cast<std::size_t>(i)]);
        if (digit < 0) {
            return false;
        }
        value = value * 16 + static_cast<std::uint64_t>(digit);
    }
    return true;
}

} // namespace

std::optional<GUID> GUID::parse(std::string_view text) {
    // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}: 38 characters.
    if (text.size() != 38 || text.front() != '{' || text.back() != '}' || text[9] != '-' ||
        text[14] != '-' || text[19] != '-' || text[24] != '-') {
        return std::nullopt;
    }
    GUID guid;
    std::uint64_t value = 0;
    if (!readHex(text, 1, 8, value)) {
        return std::nullopt;
    }
    guid.Data1 = static_cast<std::uint32_t>(value);
    if (!readHex(text, 10, 4, value)) {
        return std::nullopt;
    }
    guid.Data2 = static_cast<std::uint16_t>(value);
    if (!readHex(text, 15, 4, value)) {
        return std::nullopt;
    }
    guid.Data3 = static_cast<std::uint16_t>(value);
    constexpr std::size_t byteAt[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (std::size_t i = 0; i < 8; ++i) {
        if (!readHex(text, byteAt[i], 2, value)) {
            return std::nullopt;
        }
        guid.Data4[i] = static_cast<std::uint8_t>(value);
    }
    return guid;
}

} // namespace zarta::com
