#pragma once

#include <unistd.h>
#include <utility>

namespace zarta {

// Owns one open file descriptor (or none: a negative value, as a failed open returns) and
// closes it when it goes. Moved, never copied; the moved-from object owns none. Any thread.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        reset(other.release());
        return *this;
    }
    ~FileDescriptor() { reset(); }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Gives the descriptor up to the caller, who closes it from now on (to see close's result).
    int release() { return std::exchange(fd_, -1); }
    // Closes the descriptor owned so far and owns fd instead.
    void reset(int fd = -1) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = fd;
    }

private:
    int fd_ = -1;
};

} // namespace zarta
