#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

// Which files the front ends take as Word documents: the one rule, by the extension of the file's
// own name. Paths use "/" as separator.
namespace zarta::WordFiles {

// What the desktop program's list takes, and what the command line takes (also templates).
inline const std::initializer_list<std::string_view> desktopExtensions = {"doc", "docx"};
inline const std::initializer_list<std::string_view> commandLineExtensions = {"doc", "docx", "dot"};

// The text after the last "." of the path's file name, with A to Z lowered (only those, so it
// compares the same under every locale). Empty when the name has no "." or only a leading one
// ("README", ".profile"); a "." in a folder name never counts.
std::string extension(std::string_view path);

// True when the path's extension is one of accepted (given in lower case).
bool isWordFile(std::string_view path, std::initializer_list<std::string_view> accepted);

} // namespace zarta::WordFiles
