#pragma once

#include <array>
#include <string_view>

// The fixed items of the lists on the "Advanced" option page, in the order the lists show
// them. The option pages fill their lists from these constants and the conversion compares the
// chosen texts with them exactly (case-sensitive), so both sides always agree. The first item of
// every list is its default.
namespace zarta::OptionLists {

inline constexpr std::array<std::string_view, 2> documentCompression{"Flate", "LZW"};
inline constexpr std::array<std::string_view, 3> imagesCompression{"Flate", "JPEG", "Automatic"};
inline constexpr std::array<std::string_view, 4> jpegQuality{"Minimum", "Low", "Medium", "Maximum"};
inline constexpr std::array<std::string_view, 3> pdfVersion{"V1.3(Acrobat 4.xx)", "V1.4", "V1.5"};

// Shown and selectable, but nothing consumes them.
inline constexpr std::array<std::string_view, 1> pageLayout{"Continuous"};
inline constexpr std::array<std::string_view, 1> pageMode{"Normal"};

} // namespace zarta::OptionLists
