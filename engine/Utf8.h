#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Reading text that comes from outside the program (file names above all), which the file
// system keeps as bytes and which need not be valid UTF-8. Plain functions; any thread.
namespace zarta::Utf8 {

// The length (1 to 4) of the well-formed UTF-8 sequence that starts at `at`; 0 when the byte
// there starts none: a stray continuation byte, an overlong form, a surrogate, a code point
// beyond U+10FFFF, or a sequence cut off by the end of the text.
std::size_t sequenceAt(std::string_view text, std::size_t at);

bool isValid(std::string_view text);

// The text with every byte that starts no well-formed sequence replaced by U+FFFD, as text
// viewers show such bytes.
std::string withInvalidReplaced(std::string_view text);

} // namespace zarta::Utf8
