#include "platform/folders/DataFolders.h"

#include "engine/WorkFolder.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zarta {

namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

std::string homeFolder() {
    std::string home = environment("HOME");
    if (home.empty()) {
        if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr) {
            home = entry->pw_dir;
        }
    }
    return home;
}

// The base-directory rules ignore relative paths in the variables.
bool isAbsolute(const std::string& path) {
    return !path.empty() && path.front() == '/';
}

} // namespace

std::string DataFolders::dataFolder() {
    std::string base = environment("XDG_DATA_HOME");
    if (!isAbsolute(base)) {
        base = homeFolder() + "/.local/share";
    }
    return base + "/" + programFolder;
}

std::string DataFolders::runtimeFolder() {
    const std::string runtime = environment("XDG_RUNTIME_DIR");
    return isAbsolute(runtime) ? runtime : dataFolder();
}

namespace {

std::string ownerName(uid_t uid) {
    if (const passwd* entry = ::getpwuid(uid); entry != nullptr) {
        return "the user \"" + std::string(entry->pw_name) + "\"";
    }
    return "the user id " + std::to_string(uid);
}

std::string octal(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

// Creates the folder and its missing parents, each new one with mode 0700.
bool createMissing(const std::filesystem::path& path) {
    std::error_code error;
    if (!path.has_relative_path() || std::filesystem::is_directory(path, error)) {
        return true;
    }
    if (!createMissing(path.parent_path())) {
        return false;
    }
    return ::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}

} // namespace

void DataFolders::prepare(const std::string& folder) {
    const std::filesystem::path path(folder);
    if (!createMissing(path)) {
        throw Refused("can't create the data folder \"" + folder + "\": " + std::strerror(errno));
    }
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        throw Refused("can't use the data folder \"" + folder + "\": " + std::strerror(errno));
    }
    if (S_ISLNK(info.st_mode)) {
        throw Refused("the data folder \"" + folder +
                      "\" is a link; it must be a folder of its own. Remove the link.");
    }
    if (!S_ISDIR(info.st_mode)) {
        throw Refused("the data folder \"" + folder + "\" is not a folder.");
    }
    if (info.st_uid != ::geteuid()) {
        throw Refused("the data folder \"" + folder + "\" belongs to " + ownerName(info.st_uid) +
                      ", not to you, so that user could read and change your conversions' "
                      "files. Remove it (or set XDG_DATA_HOME to a folder of your own).");
    }
    if ((info.st_mode & 022) != 0) {
        throw Refused("the data folder \"" + folder + "\" has mode " + octal(info.st_mode) +
                      ": other users may have changed its content. Check it, then make it "
                      "private (chmod 700) or remove it.");
    }
    // An older folder may have been created readable by others; its content is private.
    if ((info.st_mode & 077) != 0 && ::chmod(path.c_str(), 0700) != 0) {
        throw Refused("can't make the data folder \"" + folder +
                      "\" private: " + std::strerror(errno));
    }
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(path, error)) {
        struct stat entryInfo {};
        if (::lstat(entry.path().c_str(), &entryInfo) == 0 && entryInfo.st_uid != ::geteuid()) {
            throw Refused("\"" + entry.path().string() + "\" in the data folder belongs to " +
                          ownerName(entryInfo.st_uid) + ", not to you. Remove it.");
        }
    }
    WorkFolder::removeLeftovers(folder);
}

} // namespace zarta
