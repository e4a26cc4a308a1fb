#include "platform/com/TrustedFile.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zarta::com {

namespace {

constexpr int mostLinks = 40; // as the kernel follows at most

bool trustedOwner(uid_t owner) {
    return owner == 0 || owner == ::geteuid();
}

std::string ownerName(uid_t owner) {
    const passwd* entry = ::getpwuid(owner);
    return entry != nullptr ? "the user \"" + std::string(entry->pw_name) + "\""
                            : "the user number " + std::to_string(owner);
}

std::string octal(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

std::string inQuotes(const std::string& path) {
    return "\"" + path + "\"";
}

// The names of a path, in order ("." and ".." kept: they are taken as the walk meets them).
void prepend(std::deque<std::string>& pending, const std::string& path) {
    std::deque<std::string> names;
    for (const auto& part : std::filesystem::path(path).relative_path()) {
        if (!part.empty()) {
            names.push_back(part.string());
        }
    }
    pending.insert(pending.begin(), names.begin(), names.end());
}

std::string parentOf(const std::string& folder) {
    const auto slash = folder.rfind('/');
    return slash == 0 || slash == std::string::npos ? "/" : folder.substr(0, slash);
}

} // namespace

std::optional<std::string> TrustedFile::problem(const std::string& path) {
    std::deque<std::string> pending;
    prepend(pending, std::filesystem::absolute(path).string());
    std::string current = "/";
    int links = 0;
    struct stat folder {};
    struct stat entry {};
    while (!pending.empty()) {
        const std::string name = pending.front();
        pending.pop_front();
        if (name == ".") {
            continue;
        }
        if (name == "..") {
            current = parentOf(current);
            continue;
        }
        const std::string next = (current == "/" ? "" : current) + "/" + name;
        if (::stat(current.c_str(), &folder) != 0 || ::lstat(next.c_str(), &entry) != 0) {
            return "cannot examine " + inQuotes(next) + ": " + std::strerror(errno);
        }
        // Whoever may change the folder may put another file (or link) in place of the entry.
        if (!trustedOwner(folder.st_uid)) {
            return "the folder " + inQuotes(current) + " belongs to " + ownerName(folder.st_uid);
        }
        const bool othersWrite = (folder.st_mode & 022) != 0;
        const bool sticky = (folder.st_mode & S_ISVTX) != 0;
        if (othersWrite && !(sticky && trustedOwner(entry.st_uid))) {
            return "the folder " + inQuotes(current) + " can be written by other users (mode " +
                   octal(folder.st_mode) + ")";
        }
        if (S_ISLNK(entry.st_mode)) {
            if (++links > mostLinks) {
                return inQuotes(path) + " goes through too many links";
            }
            char target[PATH_MAX];
            const ssize_t length = ::readlink(next.c_str(), target, sizeof target - 1);
            if (length < 0) {
                return "cannot examine " + inQuotes(next) + ": " + std::strerror(errno);
            }
            const std::string to(target, static_cast<std::size_t>(length));
            if (!to.empty() && to.front() == '/') {
                current = "/";
            }
            prepend(pending, to);
            continue;
        }
        current = next;
    }
    if (::stat(current.c_str(), &entry) != 0) {
        return "cannot examine " + inQuotes(current) + ": " + std::strerror(errno);
    }
    if (!trustedOwner(entry.st_uid)) {
        return inQuotes(current) + " belongs to " + ownerName(entry.st_uid);
    }
    if ((entry.st_mode & 022) != 0) {
        return inQuotes(current) + " can be written by other users (mode " + octal(entry.st_mode) +
               ")";
    }
    return std::nullopt;
}

} // namespace zarta::com
