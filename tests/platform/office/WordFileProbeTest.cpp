#include "platform/office/WordFileProbe.h"

#include "engine/WordError.h"
#include "tests/support/LegacyWordDocument.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <optional>
#include <sys/stat.h>
#include <vector>

using zarta::WordError;
using zarta::WordFileProbe;
using zarta::test::LegacyWordDocument;

namespace {

void put16(std::string& out, std::size_t at, std::uint16_t value) {
    out[at] = static_cast<char>(value & 0xFF);
    out[at + 1] = static_cast<char>(value >> 8);
}

void put32(std::string& out, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[at + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

constexpr std::uint32_t none = 0xFFFFFFFF;

struct Entry {
    std::string name;
    std::uint8_t type; // 1 storage, 2 stream
    std::uint32_t left = none;
    std::uint32_t right = none;
    std::uint32_t child = none;
    std::uint32_t start = 0; // first sector (mini sector for a small stream)
    std::uint32_t size = 0;
};

// A compound file of 512-byte sectors: sector 0 holds the allocation table, sector 1 the
// directory (root entry first, pointing at rootChild), sector 2 the data given (which is also
// the mini stream, the root entry's own stream).
std::string compoundFile(const std::vector<Entry>& entries, std::uint32_t rootChild,
                         std::uint32_t directoryNext = 0xFFFFFFFE, const std::string& data = {}) {
    std::string file(512 * 3, '\0');
    file.replace(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
    put16(file, 0x18, 0x3E);
    put16(file, 0x1A, 3);
    put16(file, 0x1C, 0xFFFE);
    put16(file, 0x1E, 9);
    put16(file, 0x20, 6);
    put32(file, 0x2C, 1); // one allocation table sector
    put32(file, 0x30, 1); // the directory starts in sector 1
    put32(file, 0x38, 4096);
    put32(file, 0x3C, 0xFFFFFFFE);
    put32(file, 0x44, 0xFFFFFFFE);
    for (std::size_t i = 0; i < 109; ++i) {
        put32(file, 0x4C + 4 * i, i == 0 ? 0 : none);
    }
    const std::size_t fat = 512;
    for (std::size_t i = 0; i < 128; ++i) {
        put32(file, fat + 4 * i, none);
    }
    put32(file, fat, 0xFFFFFFFD);
    put32(file, fat + 4, directoryNext);
    file.replace(1024 + 512, data.size(), data);
    std::vector<Entry> all{{"Root Entry", 5, none, none, rootChild, 2, 512}};
    all.insert(all.end(), entries.begin(), entries.end());
    for (std::size_t i = 0; i < 4; ++i) {
        const std::size_t at = 1024 + 128 * i;
        for (std::size_t k = 0; k < 3; ++k) {
            put32(file, at + 0x44 + 4 * k, none);
        }
        if (i >= all.size()) {
            continue;
        }
        const Entry& entry = all[i];
        for (std::size_t c = 0; c < entry.name.size(); ++c) {
            put16(file, at + 2 * c, static_cast<unsigned char>(entry.name[c]));
        }
        put16(file, at + 0x40, static_cast<std::uint16_t>(2 * (entry.name.size() + 1)));
        file[at + 0x42] = static_cast<char>(entry.type);
        put32(file, at + 0x44, entry.left);
        put32(file, at + 0x48, entry.right);
        put32(file, at + 0x4C, entry.child);
        put32(file, at + 0x74, entry.start);
        put32(file, at + 0x78, entry.size);
    }
    return file;
}

// A ZIP file of empty stored entries.
std::string zipFile(const std::vector<std::string>& names) {
    std::string local;
    std::string central;
    for (const auto& name : names) {
        std::string header(30, '\0');
        put32(header, 0, 0x04034b50);
        put16(header, 26, static_cast<std::uint16_t>(name.size()));
        std::string entry(46, '\0');
        put32(entry, 0, 0x02014b50);
        put16(entry, 28, static_cast<std::uint16_t>(name.size()));
        put32(entry, 42, static_cast<std::uint32_t>(local.size()));
        local += header + name;
        central += entry + name;
    }
    std::string end(22, '\0');
    put32(end, 0, 0x06054b50);
    put16(end, 8, static_cast<std::uint16_t>(names.size()));
    put16(end, 10, static_cast<std::uint16_t>(names.size()));
    put32(end, 12, static_cast<std::uint32_t>(central.size()));
    put32(end, 16, static_cast<std::uint32_t>(local.size()));
    return local + central + end;
}

const std::string wordPackage =
    zipFile({"[Content_Types].xml", "_rels/.rels", "word/document.xml", "word/styles.xml"});

struct Case {
    const char* name;
    std::string content;
    bool readable;                // false: expect CannotOpen
    WordFileProbe::Format format; // when readable
    const char* detail;           // when not
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

class WordFileProbeTest : public testing::TestWithParam<Case> {};

TEST_P(WordFileProbeTest, TellsTheFormatFromTheContent) {
    TempDir dir;
    const std::string path = dir.file("document.docx");
    TempDir::write(path, GetParam().content);
    if (GetParam().readable) {
        EXPECT_EQ(WordFileProbe::probe(path), GetParam().format);
        return;
    }
    try {
        WordFileProbe::probe(path);
        FAIL() << "accepted";
    } catch (const WordError& error) {
        EXPECT_EQ(error.kind(), WordError::Kind::CannotOpen);
        EXPECT_NE(std::string(error.what()).find(GetParam().detail), std::string::npos)
            << error.what();
    }
}

using Format = WordFileProbe::Format;

INSTANTIATE_TEST_SUITE_P(
    Contents, WordFileProbeTest,
    testing::Values(
        Case{"Word97", compoundFile({{"WordDocument", 2}, {"1Table", 2, none, 1}}, 2), true,
             Format::Word97, ""},
        Case{"Word97FoundThroughSiblings",
             compoundFile({{"1Table", 2}, {"WordDocument", 2, none, none}, {"Data", 2, 1, 2}}, 3),
             true, Format::Word97, ""},
        Case{"EncryptedPackage",
             compoundFile({{"EncryptionInfo", 2}, {"EncryptedPackage", 2, 1}}, 2), true,
             Format::EncryptedOfficeOpenXml, ""},
        Case{"OfficeOpenXml", wordPackage, true, Format::OfficeOpenXml, ""},
        Case{"Workbook", compoundFile({{"Workbook", 2}}, 1), false, Format::Word97,
             "not a Word document"},
        Case{"WordStreamOnlyInsideAnEmbeddedObject",
             compoundFile({{"ObjectPool", 1, none, none, 2}, {"WordDocument", 2}}, 1), false,
             Format::Word97, "not a Word document"},
        Case{"DirectoryChainLoops", compoundFile({{"WordDocument", 2}}, 1, 1), false,
             Format::Word97, "damaged"},
        Case{"SiblingsLoop", compoundFile({{"Data", 2, none, 1}}, 1), false, Format::Word97,
             "damaged"},
        Case{"CompoundHeaderOnly", compoundFile({{"WordDocument", 2}}, 1).substr(0, 512), false,
             Format::Word97, "damaged"},
        Case{"SpreadsheetPackage", zipFile({"[Content_Types].xml", "xl/workbook.xml"}), false,
             Format::Word97, "not a Word document"},
        Case{"TruncatedPackage", wordPackage.substr(0, wordPackage.size() - 30), false,
             Format::Word97, "damaged"},
        Case{"Word2",
             LegacyWordDocument::bytes(LegacyWordDocument::Version::Word2, {"Two", "Zwei"}), true,
             Format::Word2, ""},
        Case{
            "Word2HeaderCutShort",
            LegacyWordDocument::bytes(LegacyWordDocument::Version::Word2, {"Two"}).substr(0, 0x100),
            false, Format::Word97, "damaged"},
        Case{"Word2MagicOfAnotherVersion",
             std::string("\xDB\xA5\x2C\x00", 4) + std::string(1024, '\0'), false, Format::Word97,
             "not a Word document"},
        Case{"Empty", "", false, Format::Word97, "empty"},
        Case{"Text", "Just a few words.\n", false, Format::Word97, "not a Word document"},
        Case{"RichText", "{\\rtf1\\ansi Hello}", false, Format::Word97, "not a Word document"}),
    [](const testing::TestParamInfo<Case>& test) { return std::string(test.param.name); });

TEST(WordFileProbeFileTest, RefusesWhatIsNotARegularFile) {
    TempDir dir;
    const std::string fifo = dir.file("pipe.doc");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, dir.path().string(), dir.file("missing.doc")}) {
        try {
            WordFileProbe::probe(path);
            FAIL() << path << " accepted";
        } catch (const WordError& error) {
            EXPECT_EQ(error.kind(), WordError::Kind::CannotOpen) << path;
        }
    }
}

// The start of a Word stream whose file information block names a Word version.
std::string wordStream(std::uint16_t version) {
    std::string fib(64, '\0');
    put16(fib, 0, 0xA5DC);
    put16(fib, 2, version);
    return fib;
}

// A Word 6.0/95 file: the Word stream and no table stream, in regular sectors or, being small,
// in the mini stream.
std::string olderWordFile(std::uint16_t version, bool small) {
    return compoundFile(
        {{"WordDocument", 2, none, none, none, small ? 0u : 2u, small ? 1000u : 8192u}}, 1,
        0xFFFFFFFE, wordStream(version));
}

TEST(WordFileProbeFileTest, TellsTheFormatAlsoFromTheVersionAndTheName) {
    struct NamedCase {
        const char* fileName;
        std::string content;
        std::optional<Format> format; // nothing: refused as not a Word document
    };
    const std::string html = "\xEF\xBB\xBF\n <!DOCTYPE html>\n<HTML><body><p>Hi</p></body></HTML>";
    const std::string xml2003 =
        "<?xml version=\"1.0\"?>\n<?mso-application progid=\"Word.Document\"?>"
        "<w:wordDocument xmlns:w=\"http://schemas.microsoft.com/office/"
        "word/2003/wordml\"><w:body/></w:wordDocument>";
    const std::string flatPackage = "<?xml version=\"1.0\"?><pkg:package xmlns:pkg=\"urn\"><html/>"
                                    "</pkg:package>";
    const NamedCase cases[] = {
        {"word6.doc", olderWordFile(0x65, false), Format::Word6},
        {"word6-small.doc", olderWordFile(0x65, true), Format::Word6},
        {"word95.doc", olderWordFile(0x68, false), Format::Word95},
        {"word95-small.doc", olderWordFile(0x68, true), Format::Word95},
        {"word97-without-table.doc", olderWordFile(0xC1, false), Format::Word97},
        {"whole-word6.doc", LegacyWordDocument::bytes(LegacyWordDocument::Version::Word6, {"Six"}),
         Format::Word6},
        {"whole-word95.doc",
         LegacyWordDocument::bytes(LegacyWordDocument::Version::Word95, {"Ninety-five"}),
         Format::Word95},
        {"export.doc", "{\\rtf1\\ansi Hello}", Format::RichText},
        {"EXPORT.DOT", " \r\n{\\rtf1 Hello}", Format::RichText},
        {"page.doc", html, Format::Html},
        {"wordml.doc", xml2003, Format::Word2003Xml},
        {"export.docx", "{\\rtf1\\ansi Hello}", std::nullopt},
        {"page.docx", html, std::nullopt},
        {"flat.doc", flatPackage, std::nullopt},
        {"notes.doc", "Just a few words.\n", std::nullopt},
        {"noise.doc", std::string("\x01\x9f\x7f<html>", 9), std::nullopt},
    };
    TempDir dir;
    for (const auto& c : cases) {
        const std::string path = dir.file(c.fileName);
        TempDir::write(path, c.content);
        if (c.format) {
            EXPECT_EQ(WordFileProbe::probe(path), *c.format) << c.fileName;
        } else {
            EXPECT_THROW(WordFileProbe::probe(path), WordError) << c.fileName;
        }
    }
}

TEST(WordFileProbeFileTest, NamesTheImportFilters) {
    const std::pair<Format, const char*> filters[] = {
        {Format::Word97, "MS Word 97"},
        {Format::Word95, "MS Word 95"},
        {Format::Word6, "MS WinWord 6.0"},
        {Format::Word2, "MS WinWord 5"},
        {Format::OfficeOpenXml, "MS Word 2007 XML"},
        {Format::RichText, "Rich Text Format"},
        {Format::Html, "HTML (StarWriter)"},
        {Format::Word2003Xml, "MS Word 2003 XML"},
    };
    for (const auto& [format, filter] : filters) {
        EXPECT_STREQ(WordFileProbe::filterName(format), filter);
    }
}

} // namespace
