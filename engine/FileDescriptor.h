#pragma once

#include <unistd.h>

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

private:
    int fd_;
};

} // namespace zarta
