#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zarta {

// One share of a list of files split over several runs (--shard K/N): the run with share K of
// N takes the files whose path hashes to K-1 modulo N. The hash (64-bit FNV-1a of the path's
// bytes as written) depends on nothing but the path, so every run, on any machine, with the
// list in any order, puts a file in the same share, and the N shares together hold every file
// exactly once.
//
// Plain value; any thread.
class Shard {
public:
    // "K/N" with 1 <= K <= N; nothing for anything else.
    static std::optional<Shard> parse(std::string_view text);

    static std::uint64_t hash(std::string_view path);

    bool takes(std::string_view path) const { return hash(path) % count_ == index_ - 1; }

    std::uint64_t index() const { return index_; }
    std::uint64_t count() const { return count_; }

private:
    Shard(std::uint64_t index, std::uint64_t count) : index_(index), count_(count) {}

    std::uint64_t index_; // from 1
    std::uint64_t count_;
};

} // namespace zarta
