#include "DataFolders.h"

#include <cerrno>
#include <cstdlib>
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
bool isAbsolute(const std::string& path) { return !path.empty() && path.front() == '/'; }

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

bool DataFolders::createPrivate(const std::string& folder) {
    const std::filesystem::path path(folder);
    if (!createMissing(path)) {
        return false;
    }
    // An older folder may have been created more open; its content is private.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return false;
    }
    if ((info.st_mode & 077) != 0 && info.st_uid == ::getuid()) {
        ::chmod(path.c_str(), 0700);
    }
    return true;
}

} // namespace zarta
