#include "engine/WorkFolder.h"

#include "engine/ConversionError.h"
#include "engine/FileDescriptor.h"
#include "engine/PrivateFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace zarta {

namespace {

// Folders are made under this name and renamed to namePrefix once locked; one left by a
// program that died in between is empty and only removed when it is clearly old.
constexpr std::string_view newPrefix = ".new-";
constexpr std::time_t newFolderAge = 60;
// The note of a staged file outside the folder: its folder, a line feed, its name.
constexpr const char* stagedNote = "staged";

int openFolderAt(int parent, const char* name) {
    return ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// Removes everything inside the open folder; sub-folders are entered only when they are real
// folders, so a link is removed itself, never what it points to.
void removeContents(int folder) {
    const int listing = ::dup(folder);
    if (listing < 0) {
        return;
    }
    DIR* entries = ::fdopendir(listing);
    if (entries == nullptr) {
        ::close(listing);
        return;
    }
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(entries)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    ::closedir(entries);
    for (const auto& name : names) {
        struct stat info {};
        if (::fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
            continue;
        }
        if (S_ISDIR(info.st_mode)) {
            const FileDescriptor inner(openFolderAt(folder, name.c_str()));
            if (inner.valid()) {
                removeContents(inner.get());
            }
            ::unlinkat(folder, name.c_str(), AT_REMOVEDIR);
        } else {
            ::unlinkat(folder, name.c_str(), 0);
        }
    }
}

std::string readNote(int folder) {
    const FileDescriptor note(::openat(folder, stagedNote, O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    std::string text;
    if (!note.valid()) {
        return text;
    }
    char buffer[4096];
    ssize_t count = 0;
    while ((count = ::read(note.get(), buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<std::size_t>(count));
    }
    return text;
}

// Removes the staged file a dead conversion noted, when it is still a file of this user.
void removeNotedFile(int folder) {
    const std::string note = readNote(folder);
    const auto lineEnd = note.find('\n');
    if (lineEnd == std::string::npos) {
        return;
    }
    const std::string where = note.substr(0, lineEnd);
    const std::string name = note.substr(lineEnd + 1);
    if (name.empty() || name.find('/') != std::string::npos) {
        return;
    }
    const FileDescriptor destination(::open(where.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat info {};
    if (destination.valid() &&
        ::fstatat(destination.get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(info.st_mode) && info.st_uid == ::geteuid()) {
        ::unlinkat(destination.get(), name.c_str(), 0);
    }
}

// Creates the folder and its missing parents, each new one with mode 0700.
void createMissing(const std::filesystem::path& folder) {
    std::error_code ignored;
    if (folder.empty() || std::filesystem::is_directory(folder, ignored)) {
        return;
    }
    createMissing(folder.parent_path());
    ::mkdir(folder.c_str(), 0700);
}

} // namespace

WorkFolder::WorkFolder(const std::string& dataFolder) {
    createMissing(std::filesystem::path(dataFolder));
    auto failure = [&dataFolder](int error) {
        return ConversionError("Couldn't create a work folder in \"" + dataFolder +
                               "\": " + std::strerror(error));
    };
    FileDescriptor data(::open(dataFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!data.valid()) {
        throw failure(errno);
    }
    std::string pattern = dataFolder + "/" + std::string(newPrefix) + "XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr) {
        throw failure(errno);
    }
    const std::string newName = std::string(buffer.data()).substr(dataFolder.size() + 1);
    fd_ = openFolderAt(data.get(), newName.c_str());
    if (fd_ < 0 || ::flock(fd_, LOCK_EX) != 0) {
        const int error = errno;
        ::unlinkat(data.get(), newName.c_str(), AT_REMOVEDIR);
        if (fd_ >= 0) {
            ::close(fd_);
        }
        throw failure(error);
    }
    const std::string suffix = newName.substr(newPrefix.size());
    for (int attempt = 0;; ++attempt) {
        std::string name = std::string(namePrefix) + suffix;
        if (attempt > 0) {
            name += "-" + std::to_string(attempt);
        }
        if (::renameat2(data.get(), newName.c_str(), data.get(), name.c_str(), RENAME_NOREPLACE) ==
            0) {
            path_ = dataFolder + "/" + name;
            name_ = name;
            parent_ = data.release();
            return;
        }
        if (errno != EEXIST || attempt >= 100) {
            const int error = errno;
            ::unlinkat(data.get(), newName.c_str(), AT_REMOVEDIR);
            ::close(fd_);
            throw failure(error);
        }
    }
}

WorkFolder::~WorkFolder() {
    // Through the open folders: whatever has been renamed meanwhile, this removes this folder
    // and nothing that took its path.
    removeContents(fd_);
    ::unlinkat(parent_, name_.c_str(), AT_REMOVEDIR);
    ::close(fd_);
    ::close(parent_);
}

void WorkFolder::remember(const std::string& folder, const std::string& name) const {
    try {
        PrivateFile::create(fd_, stagedNote, folder + "\n" + name);
    } catch (const std::system_error& error) {
        throw ConversionError("Couldn't write in the work folder: " + error.code().message());
    }
}

void WorkFolder::forget() const {
    ::unlinkat(fd_, stagedNote, 0);
}

int WorkFolder::removeLeftovers(const std::string& dataFolder) {
    const FileDescriptor data(::open(dataFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!data.valid()) {
        return 0;
    }
    std::vector<std::string> candidates;
    if (const int listing = ::dup(data.get()); listing >= 0) {
        if (DIR* entries = ::fdopendir(listing)) {
            while (const dirent* entry = ::readdir(entries)) {
                const std::string_view name = entry->d_name;
                if (name.starts_with(namePrefix) || name.starts_with(newPrefix)) {
                    candidates.emplace_back(name);
                }
            }
            ::closedir(entries);
        } else {
            ::close(listing);
        }
    }

    int removed = 0;
    for (const auto& name : candidates) {
        struct stat info {};
        if (::fstatat(data.get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
            continue;
        }
        if (!S_ISDIR(info.st_mode)) {
            // Nothing of ours; only a link or file someone made under a work folder's name.
            ::unlinkat(data.get(), name.c_str(), 0);
            continue;
        }
        if (name.starts_with(newPrefix) && std::time(nullptr) - info.st_mtime < newFolderAge) {
            continue; // being set up by a conversion starting right now
        }
        const FileDescriptor folder(openFolderAt(data.get(), name.c_str()));
        // A folder whose lock cannot be had belongs to a conversion that is still running.
        if (!folder.valid() || ::flock(folder.get(), LOCK_EX | LOCK_NB) != 0) {
            continue;
        }
        removeNotedFile(folder.get());
        removeContents(folder.get());
        if (::unlinkat(data.get(), name.c_str(), AT_REMOVEDIR) == 0) {
            ++removed;
        }
    }
    return removed;
}

} // namespace zarta
