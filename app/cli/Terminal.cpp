#include "Terminal.h"

#include <cstdio>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace zarta {

namespace {

class TtyFile {
public:
    TtyFile() : fd_(::open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY)) {}
    TtyFile(const TtyFile&) = delete;
    TtyFile& operator=(const TtyFile&) = delete;
    ~TtyFile() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int fd() const { return fd_; }

private:
    int fd_;
};

std::optional<std::string> readLine(int fd) {
    std::string line;
    char c = 0;
    for (;;) {
        const auto n = ::read(fd, &c, 1);
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

std::optional<std::string> askOn(const std::string& prompt, bool secret) {
    TtyFile tty;
    if (tty.fd() < 0) {
        return std::nullopt;
    }
    writeAll(tty.fd(), prompt);
    termios saved{};
    const bool restore = secret && ::tcgetattr(tty.fd(), &saved) == 0;
    if (restore) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(tty.fd(), TCSAFLUSH, &quiet);
    }
    auto answer = readLine(tty.fd());
    if (restore) {
        ::tcsetattr(tty.fd(), TCSAFLUSH, &saved);
        writeAll(tty.fd(), "\n");
    }
    return answer;
}

} // namespace

bool Terminal::interactive() {
    TtyFile tty;
    return tty.fd() >= 0 && ::isatty(STDERR_FILENO) != 0;
}

bool Terminal::stderrIsTerminal() {
    return ::isatty(STDERR_FILENO) != 0;
}

std::optional<std::string> Terminal::ask(const std::string& prompt) {
    return askOn(prompt, false);
}

std::optional<std::string> Terminal::askSecret(const std::string& prompt) {
    return askOn(prompt, true);
}

} // namespace zarta
