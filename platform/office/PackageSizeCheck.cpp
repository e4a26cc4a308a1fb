#include "platform/office/PackageSizeCheck.h"

#include "engine/Messages.h"
#include "engine/WordError.h"

#include <limits>
#include <string>

namespace zarta {

namespace {

constexpr std::size_t fixedBytes = 46;
constexpr std::uint32_t inExtraField = 0xFFFFFFFF;
constexpr std::uint16_t zip64ExtraId = 0x0001;

std::uint16_t u16(const unsigned char* b) {
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

std::uint32_t u32(const unsigned char* b) {
    return static_cast<std::uint32_t>(u16(b)) | (static_cast<std::uint32_t>(u16(b + 2)) << 16);
}

std::uint64_t u64(const unsigned char* b) {
    return static_cast<std::uint64_t>(u32(b)) | (static_cast<std::uint64_t>(u32(b + 4)) << 32);
}

[[noreturn]] void damaged() {
    throw WordError(WordError::Kind::CannotOpen, std::string(Messages::fileDamaged));
}

std::uint64_t saturatingAdd(std::uint64_t a, std::uint64_t b) {
    return b > std::numeric_limits<std::uint64_t>::max() - a
               ? std::numeric_limits<std::uint64_t>::max()
               : a + b;
}

// Megabytes with one decimal ("1.5 MB").
std::string megabytes(std::uint64_t bytes) {
    const std::uint64_t tenths = (bytes / 1000 + 50) / 100;
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " MB";
}

} // namespace

void PackageSizeCheck::add(const unsigned char* record, std::size_t length) {
    if (length < fixedBytes) {
        damaged();
    }
    std::uint64_t packed = u32(record + 20);
    std::uint64_t unpacked = u32(record + 24);
    if (packed == inExtraField || unpacked == inExtraField) {
        // ZIP64: the 64-bit sizes stand in the extra field, unpacked first, each only when its
        // 32-bit field says so.
        const std::size_t nameBytes = u16(record + 28);
        const std::size_t extraBytes = u16(record + 30);
        if (fixedBytes + nameBytes + extraBytes > length) {
            damaged();
        }
        const unsigned char* extra = record + fixedBytes + nameBytes;
        const unsigned char* end = extra + extraBytes;
        bool found = false;
        while (!found && end - extra >= 4) {
            const std::uint16_t id = u16(extra);
            const std::size_t size = u16(extra + 2);
            const unsigned char* data = extra + 4;
            if (static_cast<std::size_t>(end - data) < size) {
                damaged();
            }
            if (id == zip64ExtraId) {
                const std::size_t needed =
                    (unpacked == inExtraField ? 8 : 0) + (packed == inExtraField ? 8 : 0);
                if (size < needed) {
                    damaged();
                }
                if (unpacked == inExtraField) {
                    unpacked = u64(data);
                    data += 8;
                }
                if (packed == inExtraField) {
                    packed = u64(data);
                }
                found = true;
            }
            extra = data + size;
        }
        if (!found) {
            damaged();
        }
    }
    packed_ = saturatingAdd(packed_, packed);
    unpacked_ = saturatingAdd(unpacked_, unpacked);
}

void PackageSizeCheck::check() const {
    const bool absurd = unpacked_ > maxUnpackedBytes;
    const bool tooDense = unpacked_ > unpackedBytesForRatio && unpacked_ / maxRatio > packed_;
    if (absurd || tooDense) {
        throw WordError(WordError::Kind::CannotOpen,
                        "its parts would unpack to " + megabytes(unpacked_) + " from " +
                            megabytes(packed_) +
                            ", far more than a Word document holds (a compression bomb)");
    }
}

} // namespace zarta
