#pragma once

#include <optional>
#include <string>

namespace zarta {

// Reads a list of paths (--files-from) one entry at a time, as the batch needs them: one path a
// line, or with nulSeparated one path per NUL-ended entry (find -print0), so that any name a
// file system holds can be listed. Reads in blocks of its own and keeps at most one block and
// one entry, whatever the list's length. Empty entries are passed over.
//
// Thread: one thread at a time. Owns the descriptor it is given and closes it (standard input
// is left open).
class PathListReader {
public:
    // fd: the list, open for reading. wakeFd: readable once the run is interrupted, which ends
    // a wait for more of the list (-1: none).
    PathListReader(int fd, bool nulSeparated, int wakeFd = -1);
    ~PathListReader();
    PathListReader(const PathListReader&) = delete;
    PathListReader& operator=(const PathListReader&) = delete;

    void setWakeFd(int wakeFd) { wakeFd_ = wakeFd; }

    // The next path; nothing at the list's end, or when it cannot be read further (then
    // failure() says why) or the run was interrupted (then interrupted() is true).
    std::optional<std::string> next();

    // Whether next() would answer without waiting for more of the list to be written.
    bool ready();

    const std::string& failure() const { return failure_; }
    bool interrupted() const { return interrupted_; }

private:
    bool fill();

    int fd_;
    char separator_;
    int wakeFd_;
    std::string buffer_;
    std::size_t start_ = 0;
    bool ended_ = false;
    bool interrupted_ = false;
    std::string failure_;
};

} // namespace zarta
