#include "platform/process/GhostscriptLocator.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zarta {

namespace {

constexpr const char* programName = "gs";

std::string processSearchPath() {
    const char* path = std::getenv("PATH");
    return path == nullptr ? std::string() : std::string(path);
}

bool isExecutableFile(const std::filesystem::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

} // namespace

GhostscriptLocator::GhostscriptLocator(std::string installFolder)
    : GhostscriptLocator(std::move(installFolder), processSearchPath()) {}

GhostscriptLocator::GhostscriptLocator(std::string installFolder, std::string searchPath)
    : installFolder_(std::move(installFolder)), searchPath_(std::move(searchPath)) {}

std::string GhostscriptLocator::locate() const {
    std::vector<std::filesystem::path> candidates;
    if (!installFolder_.empty()) {
        std::error_code ignored;
        const auto folder = std::filesystem::absolute(installFolder_, ignored);
        candidates.push_back(folder / "bin" / programName);
        candidates.push_back(folder / programName);
    }
    std::istringstream entries(searchPath_);
    std::string entry;
    while (std::getline(entries, entry, ':')) {
        if (!entry.empty() && entry.front() == '/') {
            candidates.push_back(std::filesystem::path(entry) / programName);
        }
    }
    for (const auto& candidate : candidates) {
        if (isExecutableFile(candidate)) {
            return candidate.lexically_normal().string();
        }
    }
    std::string places = installFolder_.empty() ? "" : "in \"" + installFolder_ + "\" nor ";
    throw NotFound("Ghostscript (\"gs\") was not found " + places +
                   "on the search path; please install the \"ghostscript\" package.");
}

} // namespace zarta
