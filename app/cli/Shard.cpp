#include "app/cli/Shard.h"

#include <charconv>

namespace zarta {

namespace {

// A whole number of decimal digits only (no sign, no blanks), as the option's text must be.
std::optional<std::uint64_t> number(std::string_view text) {
    std::uint64_t value = 0;
    const auto end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::optional<Shard> Shard::parse(std::string_view text) {
    const auto slash = text.find('/');
    if (slash == std::string_view::npos) {
        return std::nullopt;
    }
    const auto index = number(text.substr(0, slash));
    const auto count = number(text.substr(slash + 1));
    if (!index || !count || *index < 1 || *index > *count) {
        return std::nullopt;
    }
    return Shard(*index, *count);
}

std::uint64_t Shard::hash(std::string_view path) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : path) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

} // namespace zarta
