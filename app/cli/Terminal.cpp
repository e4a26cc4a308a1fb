#include "app/cli/Terminal.h"

#include "engine/BatchAbandoned.h"
#include "engine/FileDescriptor.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace zarta {

namespace {

// The controlling terminal, open for reading and writing (invalid when there is none).
FileDescriptor openTerminal() {
    return FileDescriptor(::open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY));
}

// Waits until fd can be read; throws BatchAbandoned as soon as wakeFd can be read instead.
void awaitInput(int fd, int wakeFd) {
    pollfd watched[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
    for (;;) {
        if (::poll(watched, wakeFd >= 0 ? 2 : 1, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return; // let the read report the failure
        }
        if (wakeFd >= 0 && watched[1].revents != 0) {
            throw BatchAbandoned();
        }
        if (watched[0].revents != 0) {
            return;
        }
    }
}

std::optional<std::string> readLine(int fd, int wakeFd) {
    std::string line;
    char c = 0;
    for (;;) {
        awaitInput(fd, wakeFd);
        const auto n = ::read(fd, &c, 1);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return line.empty() ? std::nullopt : std::optional<std::string>(line);
        }
        if (c == '\n') {
            return line;
        }
        line += c;
    }
}

void writeAll(int fd, const std::string& text) {
    const char* data = text.data();
    size_t left = text.size();
    while (left > 0) {
        const auto n = ::write(fd, data, left);
        if (n <= 0) {
            return;
        }
        data += n;
        left -= static_cast<size_t>(n);
    }
}

// Switches echo off on a terminal for its lifetime, and back on (with the line break the user's
// Enter did not echo) however the question ends.
class EchoOff {
public:
    explicit EchoOff(int fd) : fd_(fd), active_(::tcgetattr(fd, &saved_) == 0) {
        if (active_) {
            termios quiet = saved_;
            quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            ::tcsetattr(fd_, TCSAFLUSH, &quiet);
        }
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;
    ~EchoOff() {
        if (active_) {
            ::tcsetattr(fd_, TCSAFLUSH, &saved_);
            writeAll(fd_, "\n");
        }
    }

private:
    int fd_;
    termios saved_{};
    bool active_;
};

std::optional<std::string> askOn(const std::string& prompt, bool secret, int wakeFd) {
    const FileDescriptor tty = openTerminal();
    if (!tty.valid()) {
        return std::nullopt;
    }
    writeAll(tty.get(), prompt);
    if (secret) {
        EchoOff echoOff(tty.get());
        return readLine(tty.get(), wakeFd);
    }
    return readLine(tty.get(), wakeFd);
}

} // namespace

bool Terminal::interactive() {
    const FileDescriptor tty = openTerminal();
    return tty.valid() && ::isatty(STDERR_FILENO) != 0;
}

bool Terminal::stderrIsTerminal() {
    return ::isatty(STDERR_FILENO) != 0;
}

std::optional<std::string> Terminal::ask(const std::string& prompt, int wakeFd) {
    return askOn(prompt, false, wakeFd);
}

std::optional<std::string> Terminal::askSecret(const std::string& prompt, int wakeFd) {
    return askOn(prompt, true, wakeFd);
}

} // namespace zarta
