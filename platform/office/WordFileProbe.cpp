#include "WordFileProbe.h"

#include "PackageSizeCheck.h"
#include "WordError.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <set>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zarta {

namespace {

[[noreturn]] void refuse(const std::string& detail) {
    throw WordError(WordError::Kind::CannotOpen, detail);
}

[[noreturn]] void damaged() {
    refuse("the file is damaged");
}

[[noreturn]] void notWord() {
    refuse("it is not a Word document (.doc or .docx)");
}

// An open file read at explicit offsets; closes itself.
class File {
public:
    explicit File(const std::string& path) {
        // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below anyway.
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (fd_ < 0) {
            if (errno == ENOENT || errno == ENOTDIR) {
                refuse("the file does not exist");
            }
            refuse(std::string("the file cannot be read (") + std::strerror(errno) + ")");
        }
        struct stat status {};
        if (::fstat(fd_, &status) != 0) {
            refuse(std::string("the file cannot be read (") + std::strerror(errno) + ")");
        }
        if (!S_ISREG(status.st_mode)) {
            refuse("it is not a regular file");
        }
        size_ = static_cast<std::uint64_t>(status.st_size);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File() { ::close(fd_); }

    std::uint64_t size() const { return size_; }

    // Exactly length bytes at offset; a short read means the structure points past the end.
    std::vector<unsigned char> read(std::uint64_t offset, std::size_t length) const {
        if (offset > size_ || length > size_ - offset) {
            damaged();
        }
        std::vector<unsigned char> bytes(length);
        std::size_t done = 0;
        while (done < length) {
            ssize_t got =
                ::pread(fd_, bytes.data() + done, length - done, static_cast<off_t>(offset + done));
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                refuse(std::string("the file cannot be read (") + std::strerror(errno) + ")");
            }
            if (got == 0) {
                damaged();
            }
            done += static_cast<std::size_t>(got);
        }
        return bytes;
    }

private:
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

std::uint16_t u16(const std::vector<unsigned char>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

std::uint32_t u32(const std::vector<unsigned char>& b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

std::uint64_t u64(const std::vector<unsigned char>& b, std::size_t at) {
    return static_cast<std::uint64_t>(u32(b, at)) |
           (static_cast<std::uint64_t>(u32(b, at + 4)) << 32);
}

bool startsWith(const std::vector<unsigned char>& bytes, std::string_view magic) {
    return bytes.size() >= magic.size() &&
           std::equal(magic.begin(), magic.end(), bytes.begin(),
                      [](char m, unsigned char b) { return static_cast<unsigned char>(m) == b; });
}

constexpr std::string_view compoundMagic{"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8};
constexpr std::string_view zipMagic{"PK\x03\x04", 4};

// --- Compound (OLE2) files --------------------------------------------------------------------

constexpr std::uint32_t endOfChain = 0xFFFFFFFE;
constexpr std::uint32_t lastRegularSector = 0xFFFFFFFA;
constexpr std::uint32_t noEntry = 0xFFFFFFFF;

// The names of the streams and storages directly inside a compound file's root storage,
// upper-cased (compound file names compare without regard to case).
std::set<std::string> compoundRootNames(const File& file) {
    const auto header = file.read(0, 512);
    const unsigned shift = u16(header, 0x1E);
    if (shift != 9 && shift != 12) {
        damaged();
    }
    const std::uint64_t sectorSize = std::uint64_t{1} << shift;
    const std::uint64_t sectorCount = file.size() / sectorSize; // an upper bound
    auto sectorOffset = [&](std::uint32_t sector) {
        if (sector > lastRegularSector || sector >= sectorCount) {
            damaged();
        }
        return (static_cast<std::uint64_t>(sector) + 1) * sectorSize;
    };

    // Where the allocation table's sectors are: 109 in the header, the rest in a chain.
    const std::uint32_t fatSectorCount = u32(header, 0x2C);
    if (fatSectorCount == 0 || fatSectorCount > sectorCount) {
        damaged();
    }
    std::vector<std::uint32_t> fatSectors;
    for (std::size_t i = 0; i < 109 && fatSectors.size() < fatSectorCount; ++i) {
        fatSectors.push_back(u32(header, 0x4C + 4 * i));
    }
    std::uint32_t difat = u32(header, 0x44);
    for (std::uint32_t hops = 0; fatSectors.size() < fatSectorCount; ++hops) {
        if (hops > sectorCount) {
            damaged();
        }
        const auto block = file.read(sectorOffset(difat), sectorSize);
        const std::size_t perBlock = sectorSize / 4 - 1;
        for (std::size_t i = 0; i < perBlock && fatSectors.size() < fatSectorCount; ++i) {
            fatSectors.push_back(u32(block, 4 * i));
        }
        difat = u32(block, 4 * perBlock);
    }
    std::vector<std::uint32_t> fat;
    fat.reserve(fatSectors.size() * (sectorSize / 4));
    for (std::uint32_t sector : fatSectors) {
        const auto block = file.read(sectorOffset(sector), sectorSize);
        for (std::size_t i = 0; i < sectorSize / 4; ++i) {
            fat.push_back(u32(block, 4 * i));
        }
    }

    // The directory: 128-byte entries in the chain that starts at the header's sector.
    std::vector<unsigned char> directory;
    std::uint32_t sector = u32(header, 0x30);
    for (std::size_t hops = 0; sector != endOfChain; ++hops) {
        if (hops > fat.size() || sector >= fat.size()) {
            damaged();
        }
        const auto block = file.read(sectorOffset(sector), sectorSize);
        directory.insert(directory.end(), block.begin(), block.end());
        sector = fat[sector];
    }
    const std::size_t entryCount = directory.size() / 128;
    if (entryCount == 0 || directory[0x42] != 5) { // entry 0 must be the root storage
        damaged();
    }

    // The root's children form a tree through their left and right sibling links.
    std::set<std::string> names;
    std::vector<std::uint32_t> pending{u32(directory, 0x4C)};
    std::vector<bool> seen(entryCount, false);
    while (!pending.empty()) {
        const std::uint32_t id = pending.back();
        pending.pop_back();
        if (id == noEntry) {
            continue;
        }
        if (id >= entryCount || seen[id]) {
            damaged();
        }
        seen[id] = true;
        const std::size_t at = std::size_t{id} * 128;
        const std::size_t nameBytes = std::min<std::size_t>(u16(directory, at + 0x40), 64);
        std::string name;
        for (std::size_t i = 0; i + 1 < nameBytes; i += 2) {
            const std::uint16_t unit = u16(directory, at + i);
            if (unit == 0) {
                break;
            }
            name.push_back(unit < 0x80 ? static_cast<char>(std::toupper(unit)) : '?');
        }
        names.insert(name);
        pending.push_back(u32(directory, at + 0x44));
        pending.push_back(u32(directory, at + 0x48));
    }
    return names;
}

WordFileProbe::Format probeCompound(const File& file) {
    const auto names = compoundRootNames(file);
    if (names.count("WORDDOCUMENT") != 0) {
        return WordFileProbe::Format::Word97;
    }
    if (names.count("ENCRYPTEDPACKAGE") != 0 && names.count("ENCRYPTIONINFO") != 0) {
        return WordFileProbe::Format::OfficeOpenXml;
    }
    notWord();
}

// --- ZIP packages -----------------------------------------------------------------------------

// The names of the entries in a ZIP file's central directory.
std::vector<std::string> zipEntryNames(const File& file) {
    constexpr std::size_t endRecordSize = 22;
    constexpr std::size_t maxComment = 0xFFFF;
    if (file.size() < endRecordSize) {
        damaged();
    }
    const std::uint64_t tailStart =
        file.size() > endRecordSize + maxComment ? file.size() - endRecordSize - maxComment : 0;
    const auto tail = file.read(tailStart, static_cast<std::size_t>(file.size() - tailStart));
    std::optional<std::size_t> end;
    for (std::size_t at = tail.size() - endRecordSize + 1; at-- > 0;) {
        if (tail[at] == 'P' && tail[at + 1] == 'K' && tail[at + 2] == 5 && tail[at + 3] == 6) {
            end = at;
            break;
        }
    }
    if (!end) {
        damaged(); // a truncated package has lost its central directory
    }
    std::uint64_t entries = u16(tail, *end + 10);
    std::uint64_t directorySize = u32(tail, *end + 12);
    std::uint64_t directoryOffset = u32(tail, *end + 16);
    if (entries == 0xFFFF || directoryOffset == 0xFFFFFFFF || directorySize == 0xFFFFFFFF) {
        // ZIP64: a locator right before the end record points at the 64-bit end record.
        if (*end < 20) {
            damaged();
        }
        const std::size_t locator = *end - 20;
        if (!(tail[locator] == 'P' && tail[locator + 1] == 'K' && tail[locator + 2] == 6 &&
              tail[locator + 3] == 7)) {
            damaged();
        }
        const auto record = file.read(u64(tail, locator + 8), 56);
        if (!startsWith(record, std::string_view("PK\x06\x06", 4))) {
            damaged();
        }
        entries = u64(record, 32);
        directorySize = u64(record, 40);
        directoryOffset = u64(record, 48);
    }
    constexpr std::uint64_t maxDirectory = 64u << 20;
    if (directorySize > maxDirectory) {
        damaged();
    }
    const auto directory =
        file.read(directoryOffset, static_cast<std::size_t>(directorySize)); // checks bounds
    std::vector<std::string> names;
    PackageSizeCheck sizes;
    std::size_t at = 0;
    for (std::uint64_t i = 0; i < entries; ++i) {
        if (at + 46 > directory.size() || u32(directory, at) != 0x02014b50) {
            damaged();
        }
        const std::size_t nameLength = u16(directory, at + 28);
        const std::size_t skip =
            46 + nameLength + u16(directory, at + 30) + u16(directory, at + 32);
        if (at + skip > directory.size()) {
            damaged();
        }
        names.emplace_back(directory.begin() + static_cast<std::ptrdiff_t>(at + 46),
                           directory.begin() + static_cast<std::ptrdiff_t>(at + 46 + nameLength));
        sizes.add(directory.data() + at, skip);
        at += skip;
    }
    sizes.check();
    return names;
}

WordFileProbe::Format probeZip(const File& file) {
    const auto names = zipEntryNames(file);
    const bool package =
        std::find(names.begin(), names.end(), "[Content_Types].xml") != names.end();
    const bool word = std::any_of(names.begin(), names.end(), [](const std::string& name) {
        return name.rfind("word/", 0) == 0;
    });
    if (package && word) {
        return WordFileProbe::Format::OfficeOpenXml;
    }
    notWord();
}

} // namespace

WordFileProbe::Format WordFileProbe::probe(const std::string& path) {
    const File file(path);
    if (file.size() == 0) {
        refuse("the file is empty");
    }
    const auto head =
        file.read(0, static_cast<std::size_t>(std::min<std::uint64_t>(file.size(), 8)));
    if (startsWith(head, compoundMagic)) {
        if (file.size() < 512) {
            damaged();
        }
        return probeCompound(file);
    }
    if (startsWith(head, zipMagic)) {
        return probeZip(file);
    }
    notWord();
}

const char* WordFileProbe::filterName(Format format) {
    return format == Format::Word97 ? "MS Word 97" : "MS Word 2007 XML";
}

} // namespace zarta
