#pragma once

#include "engine/ConversionOptions.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

// The conversion settings that are picked from a fixed set of choices, as every front end
// offers them: for each choice the word the command line takes and its help lists, the text the
// option pages show, and the value it stands for, in the order the pages list them. Words and
// texts are mapped to values here and nowhere else. The default of each setting is the value a
// fresh ConversionOptions holds; lists and help find it by that value, never by position.
//
// Plain data and pure functions; any thread.
namespace zarta::OptionTable {

template <typename Value>
struct Choice {
    std::string_view word; // on the command line, matched without regard to case
    std::string_view text; // in the option pages, letter for letter
    Value value;
};

inline constexpr std::array<Choice<DocumentCompression>, 2> documentCompression{{
    {"Flate", "Flate", DocumentCompression::Flate},
    {"LZW", "LZW", DocumentCompression::Lzw},
}};
inline constexpr std::array<Choice<ImageCompression>, 3> imagesCompression{{
    {"Flate", "Flate", ImageCompression::Flate},
    {"JPEG", "JPEG", ImageCompression::Jpeg},
    {"Automatic", "Automatic", ImageCompression::Automatic},
}};
inline constexpr std::array<Choice<JpegQuality>, 4> jpegQuality{{
    {"Minimum", "Minimum", JpegQuality::Minimum},
    {"Low", "Low", JpegQuality::Low},
    {"Medium", "Medium", JpegQuality::Medium},
    {"Maximum", "Maximum", JpegQuality::Maximum},
}};
// The PDF/A versions take the structure-keeping route, which alone writes them.
inline constexpr std::array<Choice<PdfVersion>, 7> pdfVersion{{
    {"1.3", "V1.3(Acrobat 4.xx)", PdfVersion::V1_3},
    {"1.4", "V1.4", PdfVersion::V1_4},
    {"1.5", "V1.5", PdfVersion::V1_5},
    {"1.6", "V1.6", PdfVersion::V1_6},
    {"A-1b", "PDF/A-1b", PdfVersion::PdfA1b},
    {"A-2b", "PDF/A-2b", PdfVersion::PdfA2b},
    {"A-3b", "PDF/A-3b", PdfVersion::PdfA3b},
}};
// The security page shows these as its radio buttons, in this order.
inline constexpr std::array<Choice<EncryptionLevel>, 4> encryptionLevel{{
    {"low", "Low(40-bit RC4)", EncryptionLevel::Low},
    {"high", "High(128-bit RC4)", EncryptionLevel::High},
    {"aes128", "128-bit AES", EncryptionLevel::Aes128},
    {"aes256", "256-bit AES", EncryptionLevel::Aes256},
}};

// The actions readers of a protected PDF may be allowed, each a switch of the options: the
// word of the command line's --allow list, the text of its box under "Allowed Actions" (in the
// boxes' order) and the switch it sets.
struct Permission {
    std::string_view word;
    std::string_view text;
    bool ConversionOptions::*allowed;
};
inline constexpr std::array<Permission, 4> permissions{{
    {"copy", "Content Copying or Extraction", &ConversionOptions::contentCopying},
    {"forms", "Form Filling,Signing,Commenting", &ConversionOptions::formFilling},
    {"changes", "Changing the Document", &ConversionOptions::documentChanging},
    {"printing", "Printing", &ConversionOptions::printing},
}};

// Lists of the "Advanced" page that can be operated but that nothing reads: one text each.
inline constexpr std::array<std::string_view, 1> pageLayoutTexts{"Continuous"};
inline constexpr std::array<std::string_view, 1> pageModeTexts{"Normal"};

// The position of the choice standing for value; 0 should no choice stand for it.
template <typename Value, std::size_t N>
constexpr std::size_t indexOf(const std::array<Choice<Value>, N>& choices, Value value) {
    for (std::size_t i = 0; i < N; ++i) {
        if (choices[i].value == value) {
            return i;
        }
    }
    return 0;
}

// The choice standing for value.
template <typename Value, std::size_t N>
constexpr const Choice<Value>& choiceFor(const std::array<Choice<Value>, N>& choices, Value value) {
    return choices[indexOf(choices, value)];
}

// The value of the choice whose word is `word`, compared without regard to ASCII case; nothing
// when no choice has that word.
template <typename Value, std::size_t N>
constexpr std::optional<Value> valueOfWord(const std::array<Choice<Value>, N>& choices,
                                           std::string_view word) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    for (const auto& choice : choices) {
        if (choice.word.size() == word.size()) {
            std::size_t i = 0;
            while (i < word.size() && lower(choice.word[i]) == lower(word[i])) {
                ++i;
            }
            if (i == word.size()) {
                return choice.value;
            }
        }
    }
    return std::nullopt;
}

} // namespace zarta::OptionTable
