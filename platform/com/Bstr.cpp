#include "platform/com/Bstr.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace zarta::com {

namespace {

constexpr std::size_t prefixBytes = sizeof(std::uint32_t);

} // namespace

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
    const std::size_t bytes = std::size_t{length} * sizeof(OLECHAR);
    if (bytes > std::numeric_limits<std::uint32_t>::max() - sizeof(OLECHAR)) {
        return nullptr;
    }
    auto* block = static_cast<unsigned char*>(std::malloc(prefixBytes + bytes + sizeof(OLECHAR)));
    if (block == nullptr) {
        return nullptr;
    }
    const auto stored = static_cast<std::uint32_t>(bytes);
    std::memcpy(block, &stored, prefixBytes);
    auto* characters = reinterpret_cast<OLECHAR*>(block + prefixBytes);
    if (text != nullptr) {
        std::memcpy(characters, text, bytes);
    }
    characters[length] = u'\0';
    return characters;
}

BSTR SysAllocString(const OLECHAR* text) {
    if (text == nullptr) {
        return nullptr;
    }
    return SysAllocStringLen(text, static_cast<UINT>(std::char_traits<char16_t>::length(text)));
}

void SysFreeString(BSTR text) {
    if (text != nullptr) {
        std::free(reinterpret_cast<unsigned char*>(text) - prefixBytes);
    }
}

UINT SysStringLen(BSTR text) {
    if (text == nullptr) {
        return 0;
    }
    std::uint32_t bytes = 0;
    std::memcpy(&bytes, reinterpret_cast<unsigned char*>(text) - prefixBytes, prefixBytes);
    return bytes / sizeof(OLECHAR);
}

BSTR bstrFromUtf8(std::string_view text) {
    std::u16string wide;
    wide.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        char32_t code = 0xFFFD;
        std::size_t length = 1;
        if (lead < 0x80) {
            code = lead;
        } else if (lead >= 0xC2 && lead < 0xF5) {
            length = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
            if (i + length > text.size()) {
                length = 1;
            } else {
                code = lead & (0x3F >> (length - 1));
                for (std::size_t k = 1; k < length; ++k) {
                    const auto next = static_cast<unsigned char>(text[i + k]);
                    if ((next & 0xC0) != 0x80) {
                        code = 0xFFFD;
                        length = k;
                        break;
                    }
                    code = (code << 6) | (next & 0x3F);
                }
            }
        }
        if (code >= 0x10000 && code <= 0x10FFFF) {
            code -= 0x10000;
            wide.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            wide.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            const bool unpaired = code >= 0xD800 && code < 0xE000;
            wide.push_back(code > 0x10FFFF || unpaired ? u'\xFFFD' : static_cast<char16_t>(code));
        }
        i += length;
    }
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

std::string utf8FromBstr(BSTR text) {
    const UINT length = SysStringLen(text);
    std::string out;
    out.reserve(length);
    for (UINT i = 0; i < length; ++i) {
        char32_t code = text[i];
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < length && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (code >= 0xD800 && code < 0xE000) {
            code = 0xFFFD;
        }
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (code >> 6)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (code >> 18)));
            out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return out;
}

} // namespace zarta::com
