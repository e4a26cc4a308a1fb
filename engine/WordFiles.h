#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>

// Which files the front ends take as Word documents: the one rule, by the extension of the file's
// own name. Paths use "/" as separator.
namespace zarta::WordFiles {

// What the desktop program's list takes, and what the command line takes (also templates).
inline constexpr std::array<std::string_view, 2> desktopExtensions{"doc", "docx"};
inline constexpr std::array<std::string_view, 3> commandLineExtensions{"doc", "docx", "dot"};

// What the add-in converts, compared exactly (letter case included).
inline constexpr std::array<std::string_view, 3> addinExtensions{"doc", "docx", "dot"};

// The text after the last "." of the path's file name, with A to Z lowered (only those, so it
// compares the same under every locale). Empty when the name has no "." or only a leading one
// ("README", ".profile"); a "." in a folder name never counts.
std::string extension(std::string_view path);

// True when the path's extension is one of accepted (given in lower case).
bool isWordFile(std::string_view path, std::span<const std::string_view> accepted);
// True when the text after the last "." of the whole path (the whole path when it holds no
// ".") equals one of accepted exactly, letter case included.
bool hasExactExtension(std::string_view path, std::span<const std::string_view> accepted);

} // namespace zarta::WordFiles
