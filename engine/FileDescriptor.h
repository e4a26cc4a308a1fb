#pragma once

#include <unistd.h>
#include <utility>

namespace zarta {

// Owns one open file descriptor (or none: a negative value, as a failed open returns) and
// closes it when it goes. Neither copied nor moved; any thread.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Gives the descriptor up to the caller, who closes it from now on (to see close's result).
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

} // namespace zarta
