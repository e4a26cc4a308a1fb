#pragma once

#include <cstddef>
#include <cstdint>

namespace zarta {

// Refuses a ZIP package whose parts would unpack to an absurd size, before the office unpacks
// them: a few megabytes of highly compressed XML can make the office take gigabytes of memory.
// Judges the sizes the package's central directory declares; the office's memory limit covers
// a package that lies about them.
//
// Feed it every central-directory record with add(), then call check(). Not thread-safe; one
// per package.
class PackageSizeCheck {
public:
    // Above this, no Word document's parts are plausible, however well they compress.
    static constexpr std::uint64_t maxUnpackedBytes = std::uint64_t{2} << 30;
    // Above unpackedBytesForRatio, the parts together may unpack to at most maxRatio times
    // their packed size (text compresses some ten times, a table of numbered rows twenty,
    // pictures hardly at all). The office takes some forty times the size of the XML it reads,
    // so below the floor even the densest package stays harmless; above it, a package denser
    // than that is taken for a bomb.
    static constexpr std::uint64_t unpackedBytesForRatio = std::uint64_t{8} << 20;
    static constexpr std::uint64_t maxRatio = 100;

    // One central-directory file header: its 46 fixed bytes, the name, the extra field and the
    // comment (length bytes in all). Throws WordError CannotOpen ("damaged") when the record's
    // ZIP64 extra field is missing or too short for the sizes it stands in for.
    void add(const unsigned char* record, std::size_t length);

    // Throws WordError CannotOpen with the unpacked size when the parts added are too big.
    void check() const;

private:
    std::uint64_t packed_ = 0;
    std::uint64_t unpacked_ = 0;
};

} // namespace zarta
