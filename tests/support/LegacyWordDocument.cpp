#include "tests/support/LegacyWordDocument.h"

#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <stdexcept>

namespace zarta::test {

namespace {

constexpr std::size_t pageSize = 512;

// A little-endian byte buffer: fields are appended, or set at an offset (growing it with zeros).
class Buffer {
public:
    std::size_t size() const { return data_.size(); }
    const std::string& data() const { return data_; }

    void add8(std::uint32_t value) { data_.push_back(static_cast<char>(value & 0xFF)); }
    void add16(std::uint32_t value) {
        add8(value);
        add8(value >> 8);
    }
    void add32(std::uint32_t value) {
        add16(value);
        add16(value >> 16);
    }
    void add(const std::string& bytes) { data_ += bytes; }
    void add(const Buffer& other) { data_ += other.data_; }

    void set16(std::size_t at, std::uint32_t value) {
        growTo(at + 2);
        data_[at] = static_cast<char>(value & 0xFF);
        data_[at + 1] = static_cast<char>((value >> 8) & 0xFF);
    }
    void set32(std::size_t at, std::uint32_t value) {
        set16(at, value);
        set16(at + 2, value >> 16);
    }
    void set(std::size_t at, const std::string& bytes) {
        growTo(at + bytes.size());
        data_.replace(at, bytes.size(), bytes);
    }

    void growTo(std::size_t size) {
        if (data_.size() < size) {
            data_.resize(size, '\0');
        }
    }
    void alignTo(std::size_t unit) { growTo((size() + unit - 1) / unit * unit); }

private:
    std::string data_;
};

// UTF-8 to Windows Latin 1, where U+00A0..U+00FF and printable ASCII keep their values.
std::string latin1(const std::string& utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        unsigned code = lead;
        if (lead >= 0x80) {
            if ((lead & 0xE0) != 0xC0 || i + 1 == utf8.size() ||
                (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) != 0x80) {
                throw std::invalid_argument("not UTF-8 of Latin 1 characters: " + utf8);
            }
            code = ((lead & 0x1F) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F);
        }
        if (code < 0x20 || (code >= 0x7F && code < 0xA0) || code > 0xFF) {
            throw std::invalid_argument("a character Latin 1 text cannot hold: " + utf8);
        }
        out.push_back(static_cast<char>(code));
    }
    return out;
}

// --- The WordDocument stream ------------------------------------------------------------------

// Where the text starts, after the space of the file information block.
constexpr std::uint32_t textStart = 0x300;

// The file information block's FC/LCB pairs used here, by index from offset 0x58.
enum FibTable : std::size_t {
    stshfOrig = 0,
    stshf = 1,
    plcfsed = 6,
    plcfbteChpx = 12,
    plcfbtePapx = 13,
    sttbfffn = 15,
    dop = 31,
};

void setTable(Buffer& stream, FibTable table, std::size_t fc, std::size_t lcb) {
    stream.set32(0x58 + 8 * table, static_cast<std::uint32_t>(fc));
    stream.set32(0x58 + 8 * table + 4, static_cast<std::uint32_t>(lcb));
}

// A formatted disk page of character properties: one run over the whole text [start, textEnd)
// with no properties of its own (offset 0), so the characters take the Normal style's. Word 2.0
// and Word 6.0 lay it out alike.
Buffer characterPage(std::uint32_t start, std::uint32_t textEnd) {
    Buffer page;
    page.add32(start);
    page.add32(textEnd);
    page.add8(0);
    page.growTo(pageSize);
    page.set(pageSize - 1, std::string(1, '\1'));
    return page;
}

// A formatted disk page of paragraph properties: one run per paragraph (the limits are the FCs
// after each paragraph mark), each with a 7-byte entry (the offset in words of its properties,
// then an empty paragraph height), all sharing one property set: a length of one word, then the
// style index 0 (Normal).
Buffer paragraphPage(const std::vector<std::uint32_t>& limits) {
    Buffer page;
    page.add32(textStart);
    for (std::uint32_t limit : limits) {
        page.add32(limit);
    }
    constexpr std::size_t propertiesAt = pageSize - 6;
    for (std::size_t i = 0; i < limits.size(); ++i) {
        page.add8(propertiesAt / 2);
        page.add(std::string(6, '\0'));
    }
    page.growTo(propertiesAt);
    page.add8(1);  // words that follow
    page.add16(0); // istd
    page.growTo(pageSize);
    page.set(pageSize - 1, std::string(1, static_cast<char>(limits.size())));
    return page;
}

// A bin table: the FC range [start, textEnd) is described by the page at page number page.
Buffer binTable(std::uint32_t start, std::uint32_t textEnd, std::size_t page) {
    Buffer table;
    table.add32(start);
    table.add32(textEnd);
    table.add16(static_cast<std::uint32_t>(page));
    return table;
}

// The stylesheet: its header (STSHI), then one style, "Normal" (sti 0), a paragraph style based
// on no other whose properties are empty: a paragraph part holding only its istd, and an empty
// character part.
Buffer stylesheet() {
    Buffer normal;
    normal.add16(0x0000);           // sti 0, no flags
    normal.add16((0xFFF << 4) | 1); // istdBase none, sgc paragraph
    normal.add16(2);                // istdNext Normal (0), two property parts
    normal.add16(0);                // bchUpe, set below
    const std::string name = "Normal";
    normal.add8(static_cast<std::uint32_t>(name.size())); // length, text, terminating zero
    normal.add(name);
    normal.add8(0);
    normal.alignTo(2);
    normal.add16(2); // paragraph part: istd only
    normal.add16(0);
    normal.add16(0); // character part: empty
    normal.set16(6, static_cast<std::uint32_t>(normal.size()));

    Buffer sheet;
    sheet.add16(18);   // size of the header that follows
    sheet.add16(1);    // styles
    sheet.add16(8);    // size of a style's fixed part
    sheet.add16(0);    // built-in names are not written
    sheet.add16(0x5B); // highest built-in style identifier known when saved
    sheet.add16(15);   // fixed-index styles
    sheet.add16(0);    // built-in names' version
    sheet.add16(0);    // default fonts (ASCII, Far East, other): font 0
    sheet.add16(0);
    sheet.add16(0);
    sheet.add16(static_cast<std::uint32_t>(normal.size()));
    sheet.add(normal);
    return sheet;
}

// The font table: its total size, then one entry (FFN): size less one, pitch and family
// (variable pitch, TrueType, roman), weight, character set (ANSI), no alternative name, name.
Buffer fontTable() {
    const std::string name = "Times New Roman";
    Buffer font;
    font.add8(0x02 | 0x04 | (1 << 4));
    font.add16(400);
    font.add8(0);
    font.add8(0);
    font.add(name);
    font.add8(0);
    Buffer table;
    table.add16(static_cast<std::uint32_t>(2 + 1 + font.size()));
    table.add8(static_cast<std::uint32_t>(font.size()));
    table.add(font);
    return table;
}

// The section table: one section over the whole text, whose section descriptor has no
// properties of its own (fcSepx -1), so it takes the defaults.
Buffer sectionTable(std::uint32_t characters) {
    Buffer table;
    table.add32(0);
    table.add32(characters);
    table.add16(0);          // fn
    table.add32(0xFFFFFFFF); // fcSepx
    table.add16(0);          // fnMpr
    table.add32(0);          // fcMpr
    return table;
}

// The document properties (DOP) of Word 6.0 and Word 95, 84 bytes: widow control, footnotes and
// endnotes numbered from 1, default tab stops every half inch.
Buffer documentProperties() {
    Buffer dop;
    dop.add16(0x0002); // fWidowControl
    dop.add16(1 << 2); // nFtn 1
    dop.growTo(0x0A);
    dop.add16(720); // dxaTab
    dop.growTo(0x34);
    dop.add16(1 << 2); // nEdn 1
    dop.growTo(84);
    return dop;
}

// The document's text, each paragraph ended by its mark, and the FC after each mark when the
// text starts at start.
struct Text {
    std::string characters;
    std::vector<std::uint32_t> limits;
};

Text documentText(const std::vector<std::string>& paragraphs, std::uint32_t start) {
    if (paragraphs.empty() || paragraphs.size() > 40) {
        throw std::invalid_argument("between 1 and 40 paragraphs fit one page of properties");
    }
    Text text;
    for (const std::string& paragraph : paragraphs) {
        text.characters += latin1(paragraph) + '\r';
        text.limits.push_back(start + static_cast<std::uint32_t>(text.characters.size()));
    }
    return text;
}

std::string wordStream(LegacyWordDocument::Version version,
                       const std::vector<std::string>& paragraphs) {
    const auto [text, limits] = documentText(paragraphs, textStart);
    const auto textEnd = limits.back();

    Buffer stream;
    stream.growTo(textStart);
    stream.add(text);
    stream.alignTo(pageSize);
    const std::size_t characterPageNumber = stream.size() / pageSize;
    stream.add(characterPage(textStart, textEnd));
    const std::size_t paragraphPageNumber = stream.size() / pageSize;
    stream.add(paragraphPage(limits));

    // The tables follow the pages, each at an even offset, named by an FC/LCB pair.
    const auto addTable = [&stream](std::initializer_list<FibTable> tables, const Buffer& content) {
        stream.alignTo(2);
        for (FibTable table : tables) {
            setTable(stream, table, stream.size(), content.size());
        }
        stream.add(content);
    };
    addTable({stshfOrig, stshf}, stylesheet()); // the original and the current are the same
    addTable({plcfbteChpx}, binTable(textStart, textEnd, characterPageNumber));
    addTable({plcfbtePapx}, binTable(textStart, textEnd, paragraphPageNumber));
    addTable({sttbfffn}, fontTable());
    addTable({plcfsed}, sectionTable(static_cast<std::uint32_t>(text.size())));
    addTable({dop}, documentProperties());
    // Streams under 4096 bytes would go to the compound file's mini stream; a full-size stream
    // keeps the container simple.
    stream.growTo(4096);
    stream.alignTo(pageSize);

    const bool word95 = version == LegacyWordDocument::Version::Word95;
    const std::uint32_t nFib = word95 ? 0x68 : 0x65;
    stream.set16(0x00, 0xA5DC); // wIdent: Word 6.0 and later
    stream.set16(0x02, nFib);
    stream.set16(0x06, 0x0409); // lid: English (US), so the text's code page is Windows 1252
    stream.set16(0x0C, nFib);   // nFibBack
    stream.set32(0x18, textStart);
    stream.set32(0x1C, textEnd);
    stream.set32(0x20, static_cast<std::uint32_t>(stream.size()));        // cbMac
    stream.set32(0x34, static_cast<std::uint32_t>(text.size()));          // ccpText
    stream.set16(0x18A, static_cast<std::uint32_t>(characterPageNumber)); // pnChpFirst
    stream.set16(0x18C, static_cast<std::uint32_t>(paragraphPageNumber)); // pnPapFirst
    stream.set16(0x18E, 1);                                               // cpnBteChp
    stream.set16(0x190, 1);                                               // cpnBtePap
    return stream.data();
}

// --- Word for Windows 2.0 ---------------------------------------------------------------------

// Word 2.0 keeps everything in one file without a container: the file information block, then
// the text from this offset. Its FC/LCB pairs (from offset 0x58, in the same order as Word 6.0's)
// have 16-bit lengths.
constexpr std::uint32_t word2TextStart = 0x180;

void setWord2Table(Buffer& file, FibTable table, std::size_t fc, std::size_t lcb) {
    file.set32(0x58 + 6 * table, static_cast<std::uint32_t>(fc));
    file.set16(0x58 + 6 * table + 4, static_cast<std::uint32_t>(lcb));
}

// Word 2.0's page of paragraph properties: one run per paragraph, each entry only the offset in
// words of its properties, all sharing one set: a length of four words, then the style code 0
// (Normal), an empty paragraph height (six bytes) and a pad byte.
Buffer word2ParagraphPage(const std::vector<std::uint32_t>& limits) {
    Buffer page;
    page.add32(word2TextStart);
    for (std::uint32_t limit : limits) {
        page.add32(limit);
    }
    constexpr std::size_t propertiesAt = pageSize - 10;
    for (std::size_t i = 0; i < limits.size(); ++i) {
        page.add8(propertiesAt / 2);
    }
    page.growTo(propertiesAt);
    page.add8(4); // words that follow
    page.add(std::string(8, '\0'));
    page.growTo(pageSize);
    page.set(pageSize - 1, std::string(1, static_cast<char>(limits.size())));
    return page;
}

// Word 2.0's stylesheet: the count of built-in style codes below 0 (none), then three tables
// (each with its length, itself included) of names, character and paragraph properties, one
// entry each for the Normal style (style code 0): an empty name (a built-in style's), no
// character properties, and paragraph properties of seven bytes (the style code and an empty
// paragraph height). Last, the styles' next and base style codes: Normal, and none (222).
Buffer word2Stylesheet() {
    Buffer sheet;
    sheet.add16(0);
    sheet.add16(3); // names: one empty name
    sheet.add8(0);
    sheet.add16(3); // character properties: none
    sheet.add8(0);
    sheet.add16(10); // paragraph properties
    sheet.add8(7);
    sheet.add(std::string(7, '\0'));
    sheet.add16(1);
    sheet.add8(0);
    sheet.add8(222);
    return sheet;
}

// Word 2.0's font table: its total size, then one entry: size less one, family and character set
// (both 0), name.
Buffer word2FontTable() {
    const std::string name = "Times New Roman";
    Buffer font;
    font.add8(0);
    font.add8(0);
    font.add(name);
    font.add8(0);
    Buffer table;
    table.add16(static_cast<std::uint32_t>(2 + 1 + font.size()));
    table.add8(static_cast<std::uint32_t>(font.size()));
    table.add(font);
    return table;
}

// Word 2.0's section table: one section over the whole text, whose six-byte descriptor has no
// properties of its own (fcSepx -1).
Buffer word2SectionTable(std::uint32_t characters) {
    Buffer table;
    table.add32(0);
    table.add32(characters);
    table.add16(0);          // fn
    table.add32(0xFFFFFFFF); // fcSepx
    return table;
}

std::string word2File(const std::vector<std::string>& paragraphs) {
    const auto [text, limits] = documentText(paragraphs, word2TextStart);
    const auto textEnd = limits.back();

    Buffer file;
    file.growTo(word2TextStart);
    file.add(text);
    file.alignTo(pageSize);
    const std::size_t characterPageNumber = file.size() / pageSize;
    file.add(characterPage(word2TextStart, textEnd));
    const std::size_t paragraphPageNumber = file.size() / pageSize;
    file.add(word2ParagraphPage(limits));

    const auto addTable = [&file](std::initializer_list<FibTable> tables, const Buffer& content) {
        file.alignTo(2);
        for (FibTable table : tables) {
            setWord2Table(file, table, file.size(), content.size());
        }
        file.add(content);
    };
    addTable({stshfOrig, stshf}, word2Stylesheet());
    addTable({plcfbteChpx}, binTable(word2TextStart, textEnd, characterPageNumber));
    addTable({plcfbtePapx}, binTable(word2TextStart, textEnd, paragraphPageNumber));
    addTable({sttbfffn}, word2FontTable());
    addTable({plcfsed}, word2SectionTable(static_cast<std::uint32_t>(text.size())));
    Buffer noProperties; // an empty DOP: every document property takes its default
    noProperties.add16(0);
    addTable({dop}, noProperties);

    file.set16(0x00, 0xA5DB); // wIdent: Word for Windows 2.0
    file.set16(0x02, 0x2D);   // nFib
    file.set16(0x06, 0x0409); // lid: English (US), so the text's code page is Windows 1252
    file.set32(0x18, word2TextStart);
    file.set32(0x1C, textEnd);
    file.set32(0x20, static_cast<std::uint32_t>(file.size()));          // cbMac
    file.set32(0x34, static_cast<std::uint32_t>(text.size()));          // ccpText
    file.set16(0x13E, static_cast<std::uint32_t>(characterPageNumber)); // pnChpFirst
    file.set16(0x140, static_cast<std::uint32_t>(paragraphPageNumber)); // pnPapFirst
    file.set16(0x142, 1);                                               // cpnBteChp
    file.set16(0x144, 1);                                               // cpnBtePap
    return file.data();
}

// --- The compound file ------------------------------------------------------------------------

constexpr std::uint32_t freeSector = 0xFFFFFFFF;
constexpr std::uint32_t endOfChain = 0xFFFFFFFE;
constexpr std::uint32_t fatSector = 0xFFFFFFFD;
constexpr std::uint32_t noStream = 0xFFFFFFFF;

// A 128-byte directory entry: UTF-16 name, type (5 root storage, 2 stream), colour black, no
// siblings, child, class id, first sector and size.
Buffer directoryEntry(const std::string& name, std::uint32_t type, std::uint32_t child,
                      const std::string& classId, std::uint32_t start, std::uint32_t size) {
    Buffer entry;
    for (char c : name) {
        entry.add16(static_cast<unsigned char>(c));
    }
    entry.growTo(0x40);
    entry.add16(static_cast<std::uint32_t>(2 * (name.size() + 1)));
    entry.add8(type);
    entry.add8(1);
    entry.add32(noStream);
    entry.add32(noStream);
    entry.add32(child);
    entry.add(classId);
    entry.growTo(0x74);
    entry.add32(start);
    entry.add32(size);
    entry.growTo(128);
    return entry;
}

// A version 3 compound file of 512-byte sectors: sector 0 the allocation table, sector 1 the
// directory (root storage and the one stream), then the stream itself.
std::string compoundFile(const std::string& streamName, const std::string& stream) {
    const std::size_t streamSectors = stream.size() / pageSize;
    if (stream.size() % pageSize != 0 || 2 + streamSectors > pageSize / 4) {
        throw std::invalid_argument("the Word stream does not fit one allocation table sector");
    }
    Buffer header;
    header.add("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
    header.growTo(0x18);
    header.add16(0x003E); // minor version
    header.add16(0x0003); // major version
    header.add16(0xFFFE); // little-endian
    header.add16(9);      // sectors of 2^9 bytes
    header.add16(6);      // mini sectors of 2^6 bytes
    header.growTo(0x2C);
    header.add32(1);          // allocation table sectors
    header.add32(1);          // first directory sector
    header.add32(0);          // transaction signature
    header.add32(4096);       // mini stream cutoff
    header.add32(endOfChain); // no mini allocation table
    header.add32(0);
    header.add32(endOfChain); // no further allocation table index sectors
    header.add32(0);
    header.add32(0); // the allocation table's sector
    while (header.size() < pageSize) {
        header.add32(freeSector);
    }

    Buffer fat;
    fat.add32(fatSector);
    fat.add32(endOfChain);
    for (std::size_t i = 1; i < streamSectors; ++i) {
        fat.add32(static_cast<std::uint32_t>(2 + i));
    }
    fat.add32(endOfChain);
    while (fat.size() < pageSize) {
        fat.add32(freeSector);
    }

    // The class of a Word 6.0 and Word 95 document, {00020900-0000-0000-C000-000000000046}.
    const std::string wordClass("\x00\x09\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46",
                                16);
    Buffer directory;
    directory.add(directoryEntry("Root Entry", 5, 1, wordClass, endOfChain, 0));
    directory.add(directoryEntry(streamName, 2, noStream, std::string(16, '\0'), 2,
                                 static_cast<std::uint32_t>(stream.size())));
    for (int unused = 0; unused < 2; ++unused) {
        Buffer entry;
        entry.growTo(0x44);
        entry.add32(noStream);
        entry.add32(noStream);
        entry.add32(noStream);
        entry.growTo(128);
        directory.add(entry);
    }

    return header.data() + fat.data() + directory.data() + stream;
}

} // namespace

std::string LegacyWordDocument::bytes(Version version, const std::vector<std::string>& paragraphs) {
    if (version == Version::Word2) {
        return word2File(paragraphs);
    }
    return compoundFile("WordDocument", wordStream(version, paragraphs));
}

void LegacyWordDocument::write(const std::string& path, Version version,
                               const std::vector<std::string>& paragraphs) {
    const std::string content = bytes(version, paragraphs);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.close();
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

} // namespace zarta::test
