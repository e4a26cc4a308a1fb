#pragma once

#include "engine/DocumentCompression.h"
#include "engine/ImageCompression.h"
#include "engine/JpegQuality.h"
#include "engine/PdfVersion.h"

#include <array>
#include <string_view>

// The fixed items of the lists on the "Advanced" option page, in the order the lists show them,
// each with the value it stands for. The page fills its lists from these texts and reads the
// selected item's value, so the texts are mapped to values here and nowhere else. The first item
// of every list is its default.
namespace zarta::ui::OptionLists {

template <typename Value>
struct Item {
    std::string_view text;
    Value value;
};

inline constexpr std::array<Item<DocumentCompression>, 2> documentCompression{{
    {"Flate", DocumentCompression::Flate},
    {"LZW", DocumentCompression::Lzw},
}};
inline constexpr std::array<Item<ImageCompression>, 3> imagesCompression{{
    {"Flate", ImageCompression::Flate},
    {"JPEG", ImageCompression::Jpeg},
    {"Automatic", ImageCompression::Automatic},
}};
inline constexpr std::array<Item<JpegQuality>, 4> jpegQuality{{
    {"Minimum", JpegQuality::Minimum},
    {"Low", JpegQuality::Low},
    {"Medium", JpegQuality::Medium},
    {"Maximum", JpegQuality::Maximum},
}};
inline constexpr std::array<Item<PdfVersion>, 3> pdfVersion{{
    {"V1.3(Acrobat 4.xx)", PdfVersion::V1_3},
    {"V1.4", PdfVersion::V1_4},
    {"V1.5", PdfVersion::V1_5},
}};

// Shown and selectable, but nothing consumes them.
inline constexpr std::array<std::string_view, 1> pageLayout{"Continuous"};
inline constexpr std::array<std::string_view, 1> pageMode{"Normal"};

} // namespace zarta::ui::OptionLists
