#include "engine/GhostscriptError.h"

#include <sstream>
#include <string_view>
#include <vector>

namespace zarta {

namespace {

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.pop_back();
        }
        if (!line.empty()) {
            result.push_back(line);
        }
    }
    return result;
}

// "GPL Ghostscript 10.00.0: PDF 1.3 only supports 40 bits keys." -> "PDF 1.3 only ..."; also
// drops the "****" markers Ghostscript puts in front of some messages.
std::string withoutDecoration(std::string line) {
    const auto name = line.find("Ghostscript ");
    if (name != std::string::npos) {
        const auto colon = line.find(": ", name);
        if (colon != std::string::npos) {
            line.erase(0, colon + 2);
        }
    }
    const auto start = line.find_first_not_of("* \t");
    return start == std::string::npos ? std::string() : line.substr(start);
}

bool isSummary(std::string_view line) {
    // Ghostscript closes every failed run with one of these; they never say why.
    return line.find("Unrecoverable error, exit code") != std::string_view::npos ||
           line.find("Unable to open the initial device") != std::string_view::npos;
}

bool isErrorLine(std::string_view line) {
    const auto start = line.find_first_not_of(' ');
    return start != std::string_view::npos && line.substr(start).starts_with("Error:");
}

} // namespace

std::string GhostscriptError::lastErrorLine(const std::string& errorOutput,
                                            const std::string& output) {
    const auto errorLines = lines(errorOutput);
    const auto outputLines = lines(output);
    for (const auto* source : {&errorLines, &outputLines}) {
        for (auto it = source->rbegin(); it != source->rend(); ++it) {
            if (isErrorLine(*it)) {
                return withoutDecoration(*it);
            }
        }
    }
    for (auto it = errorLines.rbegin(); it != errorLines.rend(); ++it) {
        if (!isSummary(*it)) {
            std::string line = withoutDecoration(*it);
            if (!line.empty()) {
                return line;
            }
        }
    }
    return {};
}

} // namespace zarta
