#include "platform/office/OfficePipe.h"

#include "platform/process/UnixSocket.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <rtl/digest.h>
#include <stdexcept>
#include <sys/random.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zarta {

namespace {

constexpr std::string_view namePrefix = "zarta";
constexpr std::size_t randomBytes = 16;
constexpr const char* socketName = "s";
constexpr std::chrono::seconds leftoverAge{10};
// A pipe folder whose office never bound its socket is only removed when clearly older than any
// office's start.
constexpr std::chrono::seconds emptyLeftoverAge{600};
constexpr int maxAttempts = 100;

std::string randomHex(std::size_t bytes) {
    std::string raw(bytes, '\0');
    std::size_t done = 0;
    while (done < bytes) {
        const ssize_t got = ::getrandom(raw.data() + done, bytes - done, 0);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw std::runtime_error("No random numbers for the office's pipe name");
        }
        done += static_cast<std::size_t>(got);
    }
    static constexpr char hex[] = "0123456789abcdef";
    std::string text;
    for (unsigned char c : raw) {
        text.push_back(hex[c >> 4]);
        text.push_back(hex[c & 0xF]);
    }
    return text;
}

std::string runtimePrefix() {
    return "OSL_PIPE_" + std::to_string(::getuid()) + "_";
}

bool madeHere(const std::string& name) {
    if (name.size() != namePrefix.size() + 2 * randomBytes || name.rfind(namePrefix, 0) != 0) {
        return false;
    }
    return name.find_first_not_of("0123456789abcdef", namePrefix.size()) == std::string::npos;
}

// Whether nothing listens on the socket at path any more: a live office accepts connections or
// has them queued (EAGAIN); only a refused connection means nobody does.
bool abandoned(const std::string& path) {
    const int probe = UnixSocket::connect(path);
    if (probe >= 0) {
        ::close(probe);
        return false;
    }
    return errno == ECONNREFUSED;
}

} // namespace

OfficePipe::OfficePipe() : OfficePipe(runtimeFolder()) {}

OfficePipe::OfficePipe(const std::string& temporaryFolder) : temporaryFolder_(temporaryFolder) {
    const FileDescriptor temporary(
        ::open(temporaryFolder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat info {};
    if (!temporary.valid() || ::fstat(temporary.get(), &info) != 0) {
        throw std::runtime_error("Couldn't use the folder \"" + temporaryFolder_ +
                                 "\" for the word processor's pipe: " + std::strerror(errno));
    }
    // Where others may write without the sticky bit, they could rename the pipe's folder away.
    if ((info.st_mode & 022) != 0 && (info.st_mode & S_ISVTX) == 0) {
        throw std::runtime_error("The folder \"" + temporaryFolder_ +
                                 "\", where the word processor makes its pipe, lets every user "
                                 "rename what is in it (it lacks the sticky bit)");
    }
    for (int attempt = 0; !folder_.valid(); ++attempt) {
        const std::string random = std::string(namePrefix) + randomHex(randomBytes);
        const std::string candidate = runtimePrefix() + random;
        if (::mkdirat(temporary.get(), candidate.c_str(), 0700) != 0) {
            if (errno == EEXIST && attempt < maxAttempts) {
                continue;
            }
            throw std::runtime_error("Couldn't create the word processor's pipe folder in \"" +
                                     temporaryFolder_ + "\": " + std::strerror(errno));
        }
        folder_.reset(::openat(temporary.get(), candidate.c_str(),
                               O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!folder_.valid()) {
            const int error = errno;
            ::unlinkat(temporary.get(), candidate.c_str(), AT_REMOVEDIR);
            throw std::runtime_error("Couldn't open the word processor's pipe folder: " +
                                     std::string(std::strerror(error)));
        }
        folderName_ = candidate;
        name_ = random + "/" + socketName;
    }
}

OfficePipe::~OfficePipe() {
    ::unlinkat(folder_.get(), socketName, 0);
    const FileDescriptor temporary(
        ::open(temporaryFolder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (temporary.valid()) {
        ::unlinkat(temporary.get(), folderName_.c_str(), AT_REMOVEDIR);
    }
}

std::string OfficePipe::path() const {
    return temporaryFolder_ + "/" + folderName_ + "/" + socketName;
}

int OfficePipe::connect(pid_t office) const {
    // Through the open folder, which only this user can add to.
    const int socket =
        UnixSocket::connect("/proc/self/fd/" + std::to_string(folder_.get()) + "/" + socketName);
    if (socket < 0) {
        return -1; // an office that has not begun listening, or one that is gone
    }
    // A process of this user other than the office could still listen there; what counts is
    // the process at the other end of this very connection.
    ucred peer{};
    socklen_t length = sizeof peer;
    if (::getsockopt(socket, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 || peer.pid != office ||
        peer.uid != ::geteuid()) {
        ::close(socket);
        return -1;
    }
    return socket;
}

int OfficePipe::removeLeftovers(const std::string& folder) {
    const FileDescriptor temporary(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    std::vector<std::string> names;
    if (const int listing = temporary.valid() ? ::dup(temporary.get()) : -1; listing >= 0) {
        if (DIR* directory = ::fdopendir(listing)) {
            const std::string prefix = runtimePrefix();
            while (const dirent* entry = ::readdir(directory)) {
                const std::string name = entry->d_name;
                if (name.rfind(prefix, 0) == 0 && madeHere(name.substr(prefix.size()))) {
                    names.push_back(name);
                }
            }
            ::closedir(directory);
        } else {
            ::close(listing);
        }
    }
    int removed = 0;
    for (const std::string& name : names) {
        struct stat status {};
        if (::fstatat(temporary.get(), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0 ||
            status.st_uid != ::geteuid() ||
            (!S_ISSOCK(status.st_mode) && !S_ISDIR(status.st_mode))) {
            continue;
        }
        // A pipe folder is made a moment before its office starts, and a starting office binds
        // its socket a moment before it listens on it: only what was made a while ago and
        // still refuses connections is a dead office's.
        if (::time(nullptr) - status.st_mtime < leftoverAge.count()) {
            continue;
        }
        const std::string path = folder + "/" + name;
        if (S_ISSOCK(status.st_mode)) {
            if (abandoned(path) && ::unlinkat(temporary.get(), name.c_str(), 0) == 0) {
                ++removed;
            }
            continue;
        }
        const FileDescriptor inner(::openat(temporary.get(), name.c_str(),
                                            O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        struct stat socketStatus {};
        const bool bound = inner.valid() && ::fstatat(inner.get(), socketName, &socketStatus,
                                                      AT_SYMLINK_NOFOLLOW) == 0;
        const bool dead = bound ? abandoned(path + "/" + socketName)
                                : ::time(nullptr) - status.st_mtime >= emptyLeftoverAge.count();
        if (!inner.valid() || !dead) {
            continue;
        }
        ::unlinkat(inner.get(), socketName, 0);
        if (::unlinkat(temporary.get(), name.c_str(), AT_REMOVEDIR) == 0) {
            ++removed;
        }
    }
    return removed;
}

std::string OfficePipe::singleInstancePipe(const std::string& profileUrl) {
    // The office hashes the URL as UTF-16; the URL is ASCII (FileUrl::fromPath).
    std::vector<unsigned char> utf16;
    for (const char c : profileUrl) {
        utf16.push_back(static_cast<unsigned char>(c));
        utf16.push_back(0);
    }
    unsigned char digest[RTL_DIGEST_LENGTH_MD5] = {};
    rtl_digest_MD5(utf16.data(), static_cast<sal_uInt32>(utf16.size()), digest, sizeof digest);
    static constexpr char hex[] = "0123456789abcdef";
    std::string hash;
    for (const unsigned char byte : digest) {
        if (byte >= 0x10) {
            hash.push_back(hex[byte >> 4]);
        }
        hash.push_back(hex[byte & 0xF]);
    }
    return runtimeFolder() + "/" + runtimePrefix() + "SingleOfficeIPC_" + hash;
}

void OfficePipe::removeSingleInstancePipe(const std::string& profileUrl) {
    const std::string path = singleInstancePipe(profileUrl);
    struct stat status {};
    if (::lstat(path.c_str(), &status) == 0 && S_ISSOCK(status.st_mode) &&
        status.st_uid == ::geteuid() && abandoned(path)) {
        ::unlink(path.c_str());
    }
}

std::string OfficePipe::runtimeFolder() {
    // Where the office's runtime creates its pipes: /tmp, or /var/tmp when /tmp is not writable.
    return ::access("/tmp", W_OK) == 0 ? "/tmp" : "/var/tmp";
}

} // namespace zarta
