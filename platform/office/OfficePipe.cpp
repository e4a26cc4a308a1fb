#include "platform/office/OfficePipe.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <stdexcept>
#include <sys/random.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace zarta {

namespace {

constexpr std::string_view namePrefix = "zarta";
constexpr std::size_t randomBytes = 16;
constexpr std::chrono::seconds leftoverAge{10};

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

std::string socketPrefix() {
    return "OSL_PIPE_" + std::to_string(::getuid()) + "_";
}

bool madeHere(const std::string& name) {
    if (name.size() != namePrefix.size() + 2 * randomBytes || name.rfind(namePrefix, 0) != 0) {
        return false;
    }
    return name.find_first_not_of("0123456789abcdef", namePrefix.size()) == std::string::npos;
}

// A blocking stream socket connected to path, or -1 with errno set. The connection itself does
// not wait: a listener whose queue is full (a stopped process) yields EAGAIN.
int connectTo(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        errno = ENAMETOOLONG;
        return -1;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (socket < 0) {
        return -1;
    }
    while (::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (errno != EINTR) {
            const int error = errno;
            ::close(socket);
            errno = error;
            return -1;
        }
    }
    ::fcntl(socket, F_SETFL, ::fcntl(socket, F_GETFL) & ~O_NONBLOCK);
    return socket;
}

} // namespace

OfficePipe::OfficePipe()
    : folder_(runtimeFolder()), name_(std::string(namePrefix) + randomHex(randomBytes)) {}

OfficePipe::OfficePipe(std::string folder, std::string name)
    : folder_(std::move(folder)), name_(std::move(name)) {}

std::string OfficePipe::path() const {
    return folder_ + "/" + socketPrefix() + name_;
}

OfficePipe::Attempt OfficePipe::connect(pid_t office) const {
    using Outcome = Attempt::Outcome;
    const std::string socketPath = path();
    struct stat before {};
    if (::lstat(socketPath.c_str(), &before) != 0) {
        return {};
    }
    if (!S_ISSOCK(before.st_mode)) {
        return {Outcome::Refused, -1, "its pipe's name is taken by something that is not a socket"};
    }
    if (before.st_uid != ::geteuid()) {
        return {Outcome::Refused, -1,
                "its pipe's name is taken by a socket of user " + std::to_string(before.st_uid)};
    }
    const int socket = connectTo(socketPath);
    if (socket < 0) {
        return {}; // an office that has not begun listening, or one that is gone
    }
    // The socket file may have been swapped between the look and the connection; what counts
    // is the process at the other end of this very connection.
    ucred peer{};
    socklen_t length = sizeof peer;
    if (::getsockopt(socket, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0) {
        const int error = errno;
        ::close(socket);
        return {Outcome::Refused, -1,
                std::string("its pipe's owner cannot be checked: ") + std::strerror(error)};
    }
    if (peer.pid != office || peer.uid != ::geteuid()) {
        ::close(socket);
        return {Outcome::Refused, -1,
                "its pipe is held by another process (" + std::to_string(peer.pid) + ", user " +
                    std::to_string(peer.uid) + ")"};
    }
    return {Outcome::Connected, socket, {}};
}

int OfficePipe::removeLeftovers(const std::string& folder) {
    DIR* directory = ::opendir(folder.c_str());
    if (directory == nullptr) {
        return 0;
    }
    const std::string prefix = socketPrefix();
    int removed = 0;
    while (const dirent* entry = ::readdir(directory)) {
        const std::string file = entry->d_name;
        if (file.rfind(prefix, 0) != 0 || !madeHere(file.substr(prefix.size()))) {
            continue;
        }
        const std::string path = folder + "/" + file;
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0 || !S_ISSOCK(status.st_mode) ||
            status.st_uid != ::geteuid()) {
            continue;
        }
        // A starting office binds its socket a moment before it listens on it: only a socket
        // bound a while ago and still refusing connections is a dead office's.
        if (::time(nullptr) - status.st_mtime < leftoverAge.count()) {
            continue;
        }
        // A live office (another run of this program) accepts connections on its pipe, or has
        // them queued (EAGAIN); only a refused connection means nobody listens any more.
        const int probe = connectTo(path);
        if (probe >= 0) {
            ::close(probe);
            continue;
        }
        if (errno == ECONNREFUSED && ::unlink(path.c_str()) == 0) {
            ++removed;
        }
    }
    ::closedir(directory);
    return removed;
}

std::string OfficePipe::runtimeFolder() {
    // Where the office's runtime creates its pipes: /tmp, or /var/tmp when /tmp is not writable.
    return ::access("/tmp", W_OK) == 0 ? "/tmp" : "/var/tmp";
}

} // namespace zarta
