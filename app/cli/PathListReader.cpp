#include "app/cli/PathListReader.h"

#include <array>
#include <cerrno>
#include <cstring>

#include <poll.h>
#include <unistd.h>

namespace zarta {

namespace {

constexpr std::size_t blockSize = 64 * 1024;

} // namespace

PathListReader::PathListReader(int fd, bool nulSeparated, int wakeFd)
    : fd_(fd), separator_(nulSeparated ? '\0' : '\n'), wakeFd_(wakeFd) {}

PathListReader::~PathListReader() {
    if (fd_ > STDIN_FILENO) {
        ::close(fd_);
    }
}

std::optional<std::string> PathListReader::next() {
    for (;;) {
        const auto end = buffer_.find(separator_, start_);
        if (end != std::string::npos) {
            std::string path = buffer_.substr(start_, end - start_);
            start_ = end + 1;
            if (!path.empty()) {
                return path;
            }
            continue;
        }
        if (ended_) {
            // The last entry may lack its separator.
            std::string path = buffer_.substr(start_);
            buffer_.clear();
            start_ = 0;
            if (!path.empty()) {
                return path;
            }
            return std::nullopt;
        }
        if (!fill()) {
            ended_ = true;
        }
    }
}

bool PathListReader::ready() {
    while (!ended_ && buffer_.find(separator_, start_) == std::string::npos) {
        pollfd fd{fd_, POLLIN, 0};
        if (::poll(&fd, 1, 0) <= 0) {
            return false; // nothing yet; an error is met by next()
        }
        if (!fill()) {
            ended_ = true;
        }
    }
    return true;
}

// Appends one block to what is left of the buffer; false at the list's end, on a read error and
// on interruption. A pipe that is slow to write waits here, so the interrupt's descriptor is
// watched too: Ctrl-C ends the wait.
bool PathListReader::fill() {
    buffer_.erase(0, start_);
    start_ = 0;
    for (;;) {
        std::array<pollfd, 2> fds{{{fd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}}};
        const int ready = ::poll(fds.data(), wakeFd_ >= 0 ? 2 : 1, -1);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0) {
            failure_ = std::strerror(errno);
            buffer_.clear();
            return false;
        }
        if (wakeFd_ >= 0 && (fds[1].revents & POLLIN) != 0) {
            interrupted_ = true;
            buffer_.clear();
            return false;
        }
        std::array<char, blockSize> block{};
        const ssize_t got = ::read(fd_, block.data(), block.size());
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (got < 0) {
            // What was read of an entry cut off by the error is not a path to convert.
            failure_ = std::strerror(errno);
            buffer_.clear();
            return false;
        }
        buffer_.append(block.data(), static_cast<std::size_t>(got));
        return got > 0;
    }
}

} // namespace zarta
