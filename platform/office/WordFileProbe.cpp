#include "platform/office/WordFileProbe.h"

#include "engine/Messages.h"
#include "engine/WordError.h"
#include "engine/WordFiles.h"
#include "platform/office/PackageSizeCheck.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <optional>
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
    refuse(std::string(Messages::fileDamaged));
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
                refuse(std::string(Messages::fileMissing));
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
// A Word for Windows 2.0 file starts with its file information block: the magic number 0xA5DB,
// then the format's version 45, both little-endian.
constexpr std::string_view word2Magic{"\xDB\xA5\x2D\x00", 4};
// The size of that file information block; the text starts after it.
constexpr std::uint64_t word2HeaderSize = 0x180;

// --- Compound (OLE2) files --------------------------------------------------------------------

constexpr std::uint32_t endOfChain = 0xFFFFFFFE;
constexpr std::uint32_t lastRegularSector = 0xFFFFFFFA;
constexpr std::uint32_t noEntry = 0xFFFFFFFF;

// A stream or storage directly inside a compound file's root storage.
struct CompoundEntry {
    std::uint32_t start = 0;
    std::uint64_t size = 0;
};

// The root storage of a compound file: its entries by name (upper-cased, since compound file
// names compare without regard to case), and the first bytes of a stream.
class CompoundRoot {
public:
    explicit CompoundRoot(const File& file) : file_(file) {
        const auto header = file.read(0, 512);
        const unsigned shift = u16(header, 0x1E);
        if (shift != 9 && shift != 12) {
            damaged();
        }
        sectorSize_ = std::uint64_t{1} << shift;
        sectorCount_ = file.size() / sectorSize_; // an upper bound
        miniCutoff_ = u32(header, 0x38);
        readAllocationTable(header);
        readDirectory(u32(header, 0x30));
    }

    bool contains(const std::string& name) const { return entries_.count(name) != 0; }

    // The first length bytes of a stream of the root storage, from the regular sectors or,
    // for a small stream, from the mini stream kept in the root entry's own chain.
    std::vector<unsigned char> streamHead(const std::string& name, std::size_t length) const {
        const CompoundEntry& entry = entries_.at(name);
        if (entry.size < length) {
            damaged();
        }
        if (entry.size >= miniCutoff_) {
            return file_.read(sectorOffset(entry.start), length);
        }
        constexpr std::uint64_t miniSectorSize = 64;
        const std::uint64_t position = std::uint64_t{entry.start} * miniSectorSize;
        if (length > miniSectorSize) {
            damaged();
        }
        std::uint32_t sector = miniStreamStart_;
        for (std::uint64_t hops = position / sectorSize_; hops > 0; --hops) {
            if (sector >= fat_.size()) {
                damaged();
            }
            sector = fat_[sector];
        }
        return file_.read(sectorOffset(sector) + position % sectorSize_, length);
    }

private:
    std::uint64_t sectorOffset(std::uint32_t sector) const {
        if (sector > lastRegularSector || sector >= sectorCount_) {
            damaged();
        }
        return (static_cast<std::uint64_t>(sector) + 1) * sectorSize_;
    }

    // Where the allocation table's sectors are: 109 in the header, the rest in a chain.
    void readAllocationTable(const std::vector<unsigned char>& header) {
        const std::uint32_t fatSectorCount = u32(header, 0x2C);
        if (fatSectorCount == 0 || fatSectorCount > sectorCount_) {
            damaged();
        }
        std::vector<std::uint32_t> fatSectors;
        for (std::size_t i = 0; i < 109 && fatSectors.size() < fatSectorCount; ++i) {
            fatSectors.push_back(u32(header, 0x4C + 4 * i));
        }
        std::uint32_t difat = u32(header, 0x44);
        for (std::uint32_t hops = 0; fatSectors.size() < fatSectorCount; ++hops) {
            if (hops > sectorCount_) {
                damaged();
            }
            const auto block = file_.read(sectorOffset(difat), sectorSize_);
            const std::size_t perBlock = sectorSize_ / 4 - 1;
            for (std::size_t i = 0; i < perBlock && fatSectors.size() < fatSectorCount; ++i) {
                fatSectors.push_back(u32(block, 4 * i));
            }
            difat = u32(block, 4 * perBlock);
        }
        fat_.reserve(fatSectors.size() * (sectorSize_ / 4));
        for (std::uint32_t sector : fatSectors) {
            const auto block = file_.read(sectorOffset(sector), sectorSize_);
            for (std::size_t i = 0; i < sectorSize_ / 4; ++i) {
                fat_.push_back(u32(block, 4 * i));
            }
        }
    }

    // The directory: 128-byte entries in the chain that starts at the header's sector. The
    // root's children form a tree through their left and right sibling links.
    void readDirectory(std::uint32_t sector) {
        std::vector<unsigned char> directory;
        for (std::size_t hops = 0; sector != endOfChain; ++hops) {
            if (hops > fat_.size() || sector >= fat_.size()) {
                damaged();
            }
            const auto block = file_.read(sectorOffset(sector), sectorSize_);
            directory.insert(directory.end(), block.begin(), block.end());
            sector = fat_[sector];
        }
        const std::size_t entryCount = directory.size() / 128;
        if (entryCount == 0 || directory[0x42] != 5) { // entry 0 must be the root storage
            damaged();
        }
        miniStreamStart_ = u32(directory, 0x74);

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
            entries_[name] = {u32(directory, at + 0x74), u32(directory, at + 0x78)};
            pending.push_back(u32(directory, at + 0x44));
            pending.push_back(u32(directory, at + 0x48));
        }
    }

    const File& file_;
    std::uint64_t sectorSize_ = 512;
    std::uint64_t sectorCount_ = 0;
    std::uint64_t miniCutoff_ = 4096;
    std::uint32_t miniStreamStart_ = endOfChain;
    std::vector<std::uint32_t> fat_;
    std::map<std::string, CompoundEntry> entries_;
};

// Word 97 and later keep their tables in a stream of their own; Word 6.0 and Word 95 kept them
// in the Word stream, whose file information block tells the version (nFib, at offset 2).
WordFileProbe::Format wordBinaryVersion(const CompoundRoot& root) {
    if (root.contains("0TABLE") || root.contains("1TABLE")) {
        return WordFileProbe::Format::Word97;
    }
    const auto fib = root.streamHead("WORDDOCUMENT", 4);
    const std::uint16_t version = u16(fib, 2);
    constexpr std::uint16_t word95 = 0x68;
    constexpr std::uint16_t word97 = 0xC1;
    if (version >= word97) {
        // A Word 97 document without its table stream: let the Word 97 import say what is
        // wrong with it.
        return WordFileProbe::Format::Word97;
    }
    return version >= word95 ? WordFileProbe::Format::Word95 : WordFileProbe::Format::Word6;
}

WordFileProbe::Format probeCompound(const File& file) {
    const CompoundRoot root(file);
    if (root.contains("WORDDOCUMENT")) {
        return wordBinaryVersion(root);
    }
    if (root.contains("ENCRYPTEDPACKAGE") && root.contains("ENCRYPTIONINFO")) {
        return WordFileProbe::Format::EncryptedOfficeOpenXml;
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

// Word documents kept as text: rich text, a web page, or Word's own XML (its 2003 form; the
// office has no import for the flat form of the package format). Looked for in the first
// kilobytes, after a UTF-8 byte-order mark and white space.
std::optional<WordFileProbe::Format> textFormat(const File& file) {
    const auto bytes =
        file.read(0, static_cast<std::size_t>(std::min<std::uint64_t>(file.size(), 4096)));
    std::string head(bytes.begin(), bytes.end());
    std::size_t at = head.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    while (at < head.size() && std::isspace(static_cast<unsigned char>(head[at])) != 0) {
        ++at;
    }
    head.erase(0, at);
    if (head.rfind("{\\rtf", 0) == 0) {
        return WordFileProbe::Format::RichText;
    }
    if (head.rfind("<", 0) != 0) {
        return std::nullopt;
    }
    std::transform(head.begin(), head.end(), head.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    if (head.find("<w:worddocument") != std::string::npos) {
        return WordFileProbe::Format::Word2003Xml;
    }
    if (head.find("<pkg:package") == std::string::npos && head.find("<html") != std::string::npos) {
        return WordFileProbe::Format::Html;
    }
    return std::nullopt;
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
    if (startsWith(head, word2Magic)) {
        if (file.size() < word2HeaderSize) {
            damaged();
        }
        return Format::Word2;
    }
    // Word opens a web page or rich text saved under a .doc name without asking, as web
    // applications' exports often are; a .docx is always a package.
    const std::string extension = WordFiles::extension(path);
    if (extension == "doc" || extension == "dot") {
        if (const auto format = textFormat(file)) {
            return *format;
        }
    }
    notWord();
}

const char* WordFileProbe::filterName(Format format) {
    switch (format) {
    case Format::Word97:
        return "MS Word 97";
    case Format::Word95:
        return "MS Word 95";
    case Format::Word6:
        return "MS WinWord 6.0";
    case Format::Word2:
        // The office's import of Word for Windows 1.x, 2.0 and Word 5 files.
        return "MS WinWord 5";
    case Format::OfficeOpenXml:
    case Format::EncryptedOfficeOpenXml:
        return "MS Word 2007 XML";
    case Format::RichText:
        return "Rich Text Format";
    case Format::Html:
        return "HTML (StarWriter)";
    case Format::Word2003Xml:
        return "MS Word 2003 XML";
    }
    return "MS Word 97";
}

} // namespace zarta
