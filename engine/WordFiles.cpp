#include "engine/WordFiles.h"

#include <algorithm>

namespace zarta::WordFiles {

std::string extension(std::string_view path) {
    const auto slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) {
        return {};
    }
    std::string text(name.substr(dot + 1));
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return text;
}

bool isWordFile(std::string_view path, std::span<const std::string_view> accepted) {
    const std::string found = extension(path);
    return !found.empty() && std::find(accepted.begin(), accepted.end(), found) != accepted.end();
}

bool hasExactExtension(std::string_view path, std::span<const std::string_view> accepted) {
    const auto dot = path.rfind('.');
    const std::string_view found = dot == std::string_view::npos ? path : path.substr(dot + 1);
    return std::find(accepted.begin(), accepted.end(), found) != accepted.end();
}

} // namespace zarta::WordFiles
