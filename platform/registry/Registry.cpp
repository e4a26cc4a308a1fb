#include "platform/registry/Registry.h"

#include "engine/FileDescriptor.h"
#include "engine/ProductNames.h"
#include "platform/registry/RegFile.h"
#include "platform/registry/RegistryError.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#ifndef ZARTA_INSTALL_SYSCONFDIR
#define ZARTA_INSTALL_SYSCONFDIR "/usr/local/etc"
#endif

namespace zarta {

namespace {

constexpr const char* programFolder = ProductNames::program.data();

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

std::string configBase() {
    const std::string config = environment("XDG_CONFIG_HOME");
    if (!config.empty() && config.front() == '/') {
        return config;
    }
    std::string home = environment("HOME");
    if (home.empty()) {
        if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr) {
            home = entry->pw_dir;
        }
    }
    return home + "/.config";
}

std::string systemError(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

// Creates the folder and its missing parents, new ones with mode 0700.
void createFolder(const std::string& path) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            throw RegistryError(RegistryError::cannotWrite,
                                systemError("cannot create the registry folder", part));
        }
        if (slash == std::string::npos) {
            return;
        }
    }
}

// The file's bytes; false when it does not exist.
bool readFile(const std::string& path, std::string& content) {
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.valid()) {
        if (errno == ENOENT) {
            return false;
        }
        throw RegistryError(errno == EACCES ? RegistryError::accessDenied
                                            : RegistryError::cannotRead,
                            systemError("cannot read the registry file", path));
    }
    content.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw RegistryError(RegistryError::cannotRead,
                                systemError("cannot read the registry file", path));
        }
        if (got == 0) {
            return true;
        }
        content.append(buffer, static_cast<std::size_t>(got));
    }
}

bool writeAll(int fd, const std::string& content) {
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t wrote = ::write(fd, content.data() + done, content.size() - done);
        if (wrote < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

// Replaces `path` with `content` by way of a temporary file beside it. The temporary's name is
// fixed: only the holder of the folder's lock writes, and a leftover of a crashed writer is
// simply truncated and reused.
void replaceFile(const std::string& folder, const std::string& path, const std::string& content) {
    const std::string temporary = path + ".new";
    {
        FileDescriptor file(
            ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!file.valid()) {
            throw RegistryError(RegistryError::cannotWrite,
                                systemError("cannot write the registry file", temporary));
        }
        if (!writeAll(file.get(), content) || ::fsync(file.get()) != 0) {
            const std::string message = systemError("cannot write the registry file", temporary);
            ::unlink(temporary.c_str());
            throw RegistryError(RegistryError::cannotWrite, message);
        }
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const std::string message = systemError("cannot replace the registry file", path);
        ::unlink(temporary.c_str());
        throw RegistryError(RegistryError::cannotWrite, message);
    }
    // The rename itself reaches the disk only with the folder.
    FileDescriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.valid()) {
        ::fsync(directory.get());
    }
}

} // namespace

Registry::Registry(std::string userFolder, std::string machineFolder)
    : userFolder_(std::move(userFolder)), machineFolder_(std::move(machineFolder)) {}

Registry Registry::forCurrentUser() {
    const std::string relocated = environment(relocationVariable);
    if (!relocated.empty()) {
        return Registry(relocated, relocated);
    }
    return Registry(configBase() + "/" + programFolder + "/registry",
                    std::string(ZARTA_INSTALL_SYSCONFDIR) + "/" + programFolder + "/registry");
}

std::string Registry::hiveFile(RegistryHive hive) const {
    const std::string& folder = hive == RegistryHive::LocalMachine ? machineFolder_ : userFolder_;
    return folder + "/" + hiveName(hive) + ".reg";
}

RegistryKey Registry::read(RegistryHive hive) const {
    const std::string path = hiveFile(hive);
    std::string content;
    if (!readFile(path, content)) {
        return RegistryKey();
    }
    return RegFile::read(hive, content, path);
}

void Registry::edit(RegistryHive hive, const std::function<void(RegistryKey& root)>& change) const {
    const std::string path = hiveFile(hive);
    if (hive == RegistryHive::LocalMachine) {
        throw RegistryError(RegistryError::accessDenied,
                            "HKEY_LOCAL_MACHINE is written by the installation only (" + path +
                                ")");
    }
    createFolder(userFolder_);
    const std::string lockPath = userFolder_ + "/.lock";
    FileDescriptor lock(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!lock.valid()) {
        throw RegistryError(RegistryError::cannotWrite,
                            systemError("cannot open the registry lock", lockPath));
    }
    while (::flock(lock.get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            throw RegistryError(RegistryError::cannotWrite,
                                systemError("cannot lock the registry", lockPath));
        }
    }
    std::string before;
    const bool exists = readFile(path, before);
    RegistryKey root = exists ? RegFile::read(hive, before, path) : RegistryKey();
    // Renaming over a file ignores its mode; a file the user made read-only stays as it is.
    if (exists && ::access(path.c_str(), W_OK) != 0) {
        throw RegistryError(RegistryError::accessDenied,
                            "the registry file " + path + " is read-only");
    }
    change(root);
    const std::string after = RegFile::write(hive, root);
    if (exists ? after != before : !root.empty()) {
        replaceFile(userFolder_, path, after);
    }
}

} // namespace zarta
