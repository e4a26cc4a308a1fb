#include "tests/support/Neighbour.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr uid_t otherUser = 65534;

// The child after the fork: only system calls from here on, as the parent has other threads;
// waiting has room for a descriptor per path and the control pipe's.
[[noreturn]] void listenAs(const std::vector<std::string>& paths, std::vector<pollfd>& waiting,
                           int control, int report) {
    if (::syscall(SYS_setgroups, 0, nullptr) != 0 ||
        ::syscall(SYS_setresgid, otherUser, otherUser, otherUser) != 0 ||
        ::syscall(SYS_setresuid, otherUser, otherUser, otherUser) != 0) {
        ::_exit(1);
    }
    waiting.push_back({control, POLLIN, 0});
    for (const std::string& path : paths) {
        int outcome = 0;
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(fd, 16) != 0) {
            outcome = errno;
            ::close(fd);
        } else {
            waiting.push_back({fd, POLLIN, 0});
        }
        [[maybe_unused]] const auto written = ::write(report, &outcome, sizeof outcome);
    }
    while (::poll(waiting.data(), waiting.size(), -1) >= 0 && waiting[0].revents == 0) {
        for (std::size_t i = 1; i < waiting.size(); ++i) {
            if ((waiting[i].revents & POLLIN) != 0) {
                const int peer = ::accept4(waiting[i].fd, nullptr, nullptr, SOCK_CLOEXEC);
                if (peer >= 0) {
                    ::close(peer);
                    const char connected = 'c';
                    [[maybe_unused]] const auto noted = ::write(report, &connected, 1);
                }
            }
        }
    }
    ::_exit(0);
}

} // namespace

std::optional<uid_t> Neighbour::available() {
    return ::geteuid() == 0 ? std::optional<uid_t>(otherUser) : std::nullopt;
}

Neighbour::Neighbour(const std::vector<std::string>& paths) : paths_(paths) {
    int control[2];
    int report[2];
    if (::pipe2(control, O_CLOEXEC) != 0 || ::pipe2(report, O_CLOEXEC) != 0) {
        throw std::runtime_error("no pipes for the neighbour");
    }
    std::vector<pollfd> waiting;
    waiting.reserve(paths_.size() + 1);
    child_ = ::fork();
    if (child_ == 0) {
        ::close(control[1]);
        ::close(report[0]);
        listenAs(paths_, waiting, control[0], report[1]);
    }
    ::close(control[0]);
    ::close(report[1]);
    control_ = control[1];
    report_ = report[0];
    for (std::size_t i = 0; i < paths_.size(); ++i) {
        int outcome = EIO;
        if (::read(report_, &outcome, sizeof outcome) != sizeof outcome) {
            outcome = EIO; // the child could not become the other user
        }
        outcomes_.push_back(outcome);
    }
}

Neighbour::~Neighbour() {
    ::close(control_);
    ::waitpid(child_, nullptr, 0);
    ::close(report_);
    for (std::size_t i = 0; i < paths_.size(); ++i) {
        if (outcomes_[i] == 0) {
            ::unlink(paths_[i].c_str());
        }
    }
}

int Neighbour::connections() {
    pollfd ready{report_, POLLIN, 0};
    char byte = 0;
    while (::poll(&ready, 1, 0) > 0 && ::read(report_, &byte, 1) == 1) {
        ++connections_;
    }
    return connections_;
}
