#include "platform/folders/DataFolders.h"

#include "engine/FileDescriptor.h"
#include "engine/WorkFolder.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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

// The path with the links of its existing part resolved, so that the folders prepare() checks
// are the folders the program then works in, whatever a link may point to later.
std::string resolved(const std::string& path) {
    std::error_code error;
    const auto canonical = std::filesystem::weakly_canonical(path, error);
    return error ? path : canonical.string();
}

} // namespace

std::string DataFolders::dataFolder() {
    std::string base = environment("XDG_DATA_HOME");
    if (!isAbsolute(base)) {
        base = homeFolder() + "/.local/share";
    }
    base = resolved(base);
    return (base == "/" ? std::string() : base) + "/" + programFolder;
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

std::string inQuotes(const std::string& path) {
    return "\"" + path + "\"";
}

int openFolderAt(int parent, const char* name) {
    return ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// The names of an absolute path's folders, from the root down; "." and ".." are resolved by
// name, as the path reads.
std::vector<std::string> components(const std::string& path) {
    std::vector<std::string> names;
    for (const auto& part : std::filesystem::path(path).lexically_normal().relative_path()) {
        if (!part.empty() && part != "." && part != "..") {
            names.push_back(part.string());
        }
    }
    return names;
}

// Whether another user could rename or replace what is in the folder: it belongs to neither
// this user nor root, or others may write it. A sticky folder that others may write (as /tmp)
// still keeps them from renaming entries they do not own; the caller decides whether the entry
// below is one of ours.
struct Ancestor {
    bool othersOwn = false;
    bool othersWrite = false;
    bool sticky = false;
};

Ancestor judge(const struct stat& info) {
    return {info.st_uid != ::geteuid() && info.st_uid != 0, (info.st_mode & 022) != 0,
            (info.st_mode & S_ISVTX) != 0};
}

} // namespace

void DataFolders::prepare(const std::string& folder) {
    if (!isAbsolute(folder)) {
        throw Refused("the data folder " + inQuotes(folder) + " is not an absolute path.");
    }
    const std::vector<std::string> names = components(folder);
    if (names.empty()) {
        throw Refused("the data folder can't be the root folder.");
    }

    // Walks from the root down through open folders, never following a link, so that what is
    // checked is what the next step enters. Each folder above the data folder must be one that
    // no other user can change: otherwise they could rename the data folder away at any time
    // and put one of theirs in its place.
    FileDescriptor current(::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    std::string path;
    std::string openAbove; // a sticky folder others write, until a folder of ours follows
    struct stat info {};
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (!current.valid() || ::fstat(current.get(), &info) != 0) {
            throw Refused("can't use the folder " + inQuotes(path.empty() ? "/" : path) + ": " +
                          std::strerror(errno));
        }
        const Ancestor above = judge(info);
        const std::string shown = path.empty() ? "/" : path;
        if (above.othersOwn) {
            throw Refused("the folder " + inQuotes(shown) + " above the data folder " +
                          inQuotes(folder) + " belongs to " + ownerName(info.st_uid) +
                          ", who could put a folder of their own in place of the data folder. "
                          "Set XDG_DATA_HOME to a folder that only you and the system own.");
        }
        if (above.othersWrite && !above.sticky) {
            throw Refused("the folder " + inQuotes(shown) + " above the data folder " +
                          inQuotes(folder) + " has mode " + octal(info.st_mode) +
                          ": other users could put a folder of their own in place of the data "
                          "folder. Set XDG_DATA_HOME to a folder that only you and the system "
                          "can change.");
        }
        openAbove = above.othersWrite ? shown : std::string();

        path += "/" + names[i];
        const char* name = names[i].c_str();
        int next = openFolderAt(current.get(), name);
        if (next < 0 && errno == ENOENT) {
            if (::mkdirat(current.get(), name, 0700) != 0 && errno != EEXIST) {
                throw Refused("can't create the data folder " + inQuotes(folder) + ": " +
                              std::strerror(errno));
            }
            next = openFolderAt(current.get(), name);
        }
        if (next < 0) {
            const int error = errno;
            struct stat entry {};
            if (::fstatat(current.get(), name, &entry, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISLNK(entry.st_mode)) {
                throw Refused(path == folder ? "the data folder " + inQuotes(folder) +
                                                   " is a link; it must be a folder of its own. "
                                                   "Remove the link."
                                             : "the folder " + inQuotes(path) +
                                                   " above the data folder is a link, which "
                                                   "could lead elsewhere later; name the "
                                                   "folder it points to instead.");
            }
            if (error == ENOTDIR) {
                throw Refused("the data folder " + inQuotes(folder) +
                              " can't be used: " + inQuotes(path) + " is not a folder.");
            }
            throw Refused("can't use the data folder " + inQuotes(folder) + ": " +
                          std::strerror(error));
        }
        current.reset(next);
        if (!openAbove.empty() && ::fstat(current.get(), &info) == 0 &&
            info.st_uid != ::geteuid()) {
            throw Refused("the folder " + inQuotes(path) + " above the data folder " +
                          inQuotes(folder) + " lies in " + inQuotes(openAbove) +
                          ", which everyone may write, but belongs to " + ownerName(info.st_uid) +
                          " rather than to you. Set XDG_DATA_HOME to a folder of your own.");
        }
    }

    if (::fstat(current.get(), &info) != 0) {
        throw Refused("can't use the data folder " + inQuotes(folder) + ": " +
                      std::strerror(errno));
    }
    if (info.st_uid != ::geteuid()) {
        throw Refused("the data folder " + inQuotes(folder) + " belongs to " +
                      ownerName(info.st_uid) +
                      ", not to you, so that user could read and change your conversions' "
                      "files. Remove it (or set XDG_DATA_HOME to a folder of your own).");
    }
    if ((info.st_mode & 022) != 0) {
        throw Refused("the data folder " + inQuotes(folder) + " has mode " + octal(info.st_mode) +
                      ": other users may have changed its content. Check it, then make it "
                      "private (chmod 700) or remove it.");
    }
    // An older folder may have been created readable by others; its content is private.
    if ((info.st_mode & 077) != 0 && ::fchmod(current.get(), 0700) != 0) {
        throw Refused("can't make the data folder " + inQuotes(folder) +
                      " private: " + std::strerror(errno));
    }
    if (const int listing = ::dup(current.get()); listing >= 0) {
        DIR* entries = ::fdopendir(listing);
        if (entries == nullptr) {
            ::close(listing);
        }
        std::string foreign;
        uid_t foreignOwner = 0;
        while (entries != nullptr && foreign.empty()) {
            const dirent* entry = ::readdir(entries);
            if (entry == nullptr) {
                break;
            }
            struct stat entryInfo {};
            if (::fstatat(current.get(), entry->d_name, &entryInfo, AT_SYMLINK_NOFOLLOW) == 0 &&
                entryInfo.st_uid != ::geteuid() && std::strcmp(entry->d_name, "..") != 0) {
                foreign = entry->d_name;
                foreignOwner = entryInfo.st_uid;
            }
        }
        if (entries != nullptr) {
            ::closedir(entries);
        }
        if (!foreign.empty()) {
            throw Refused(inQuotes(folder + "/" + foreign) + " in the data folder belongs to " +
                          ownerName(foreignOwner) + ", not to you. Remove it.");
        }
    }
    WorkFolder::removeLeftovers(folder);
}

} // namespace zarta
