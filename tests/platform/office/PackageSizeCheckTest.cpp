#include "platform/office/PackageSizeCheck.h"

#include "engine/WordError.h"
#include "platform/office/WordFileProbe.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using zarta::PackageSizeCheck;
using zarta::WordError;
using zarta::WordFileProbe;

namespace {

constexpr std::uint64_t MB = 1 << 20;
constexpr std::uint32_t inExtra = 0xFFFFFFFF;

void put(std::string& out, std::size_t at, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out[at + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

struct Part {
    std::uint64_t packed;
    std::uint64_t unpacked;
    bool zip64 = false; // both sizes in a ZIP64 extra field
};

// A central-directory file header for a part, named "word/document.xml".
std::string record(const Part& part) {
    const std::string name = "word/document.xml";
    std::string extra;
    if (part.zip64) {
        extra.assign(20, '\0');
        put(extra, 0, 0x0001, 2);
        put(extra, 2, 16, 2);
        put(extra, 4, part.unpacked, 8);
        put(extra, 12, part.packed, 8);
    }
    std::string header(46, '\0');
    put(header, 0, 0x02014b50, 4);
    put(header, 20, part.zip64 ? inExtra : part.packed, 4);
    put(header, 24, part.zip64 ? inExtra : part.unpacked, 4);
    put(header, 28, name.size(), 2);
    put(header, 30, extra.size(), 2);
    return header + name + extra;
}

// What check() says about a package of these parts: nothing when accepted.
std::optional<std::string> verdict(const std::vector<Part>& parts) {
    PackageSizeCheck check;
    try {
        for (const Part& part : parts) {
            const std::string bytes = record(part);
            check.add(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
        }
        check.check();
        return std::nullopt;
    } catch (const WordError& error) {
        EXPECT_EQ(error.kind(), WordError::Kind::CannotOpen);
        return std::string(error.what());
    }
}

TEST(PackageSizeCheckTest, RefusesPackagesThatUnpackToAnAbsurdSize) {
    struct Case {
        const char* what;
        std::vector<Part> parts;
        const char* refusal; // nullptr: accepted
    };
    const std::vector<Case> cases{
        {"a small document", {{20'000, 150'000}, {3'000, 40'000}}, nullptr},
        {"text compressed ten times", {{30 * MB, 300 * MB}}, nullptr},
        {"pictures that hardly compress", {{900 * MB, 950 * MB}, {MB, 8 * MB}}, nullptr},
        {"dense but too small to matter", {{60'000, 7 * MB}}, nullptr},
        {"a table of numbered rows", {{600'000, 12 * MB}}, nullptr},
        // 190 KB that unpack to 65 MB of XML drove an office to gigabytes.
        {"a small package that unpacks far", {{190'000, 65'000'000}}, "65.0 MB from 0.2 MB"},
        {"just above the floor", {{80'000, 9 * MB}}, "compression bomb"},
        {"the XML bomb", {{1'500'000, 452'000'000}}, "452.0 MB from 1.5 MB"},
        {"a bomb spread over parts", {{MB / 4, 40 * MB}, {MB / 4, 40 * MB}}, "unpack to"},
        {"just above the ratio", {{MB, 101 * MB}}, "compression bomb"},
        {"absurd even without compression", {{2100 * MB, 2100 * MB, true}}, "unpack to"},
        {"ZIP64 sizes are read", {{MB, 5000 * MB, true}}, "5242.9 MB"},
        {"sizes that overflow when added",
         {{1, ~std::uint64_t{0}, true}, {1, ~std::uint64_t{0}, true}},
         "compression bomb"},
    };
    for (const Case& c : cases) {
        const auto result = verdict(c.parts);
        if (c.refusal == nullptr) {
            EXPECT_FALSE(result) << c.what << ": " << result.value_or("");
        } else {
            ASSERT_TRUE(result) << c.what;
            EXPECT_NE(result->find(c.refusal), std::string::npos) << c.what << ": " << *result;
        }
    }
}

TEST(PackageSizeCheckTest, ADamagedRecordIsRefusedAsDamaged) {
    std::string missingExtra = record({MB, MB, true});
    put(missingExtra, 30, 0, 2); // the ZIP64 extra field is announced nowhere
    std::string shortExtra = record({MB, MB, true});
    put(shortExtra, 46 + 17 + 2, 4, 2); // the ZIP64 field holds 4 bytes instead of 16
    for (const std::string& bytes : {missingExtra, shortExtra, record({MB, MB}).substr(0, 40)}) {
        PackageSizeCheck check;
        try {
            check.add(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
            FAIL() << "accepted";
        } catch (const WordError& error) {
            EXPECT_NE(std::string(error.what()).find("damaged"), std::string::npos);
        }
    }
}

// A ZIP package whose only content is its directory's declared sizes.
std::string package(const std::vector<std::pair<std::string, Part>>& entries) {
    std::string local;
    std::string central;
    for (const auto& [name, part] : entries) {
        std::string header(30, '\0');
        put(header, 0, 0x04034b50, 4);
        put(header, 26, name.size(), 2);
        std::string entry(46, '\0');
        put(entry, 0, 0x02014b50, 4);
        put(entry, 20, part.packed, 4);
        put(entry, 24, part.unpacked, 4);
        put(entry, 28, name.size(), 2);
        put(entry, 42, local.size(), 4);
        local += header + name;
        central += entry + name;
    }
    std::string end(22, '\0');
    put(end, 0, 0x06054b50, 4);
    put(end, 8, entries.size(), 2);
    put(end, 10, entries.size(), 2);
    put(end, 12, central.size(), 4);
    put(end, 16, local.size(), 4);
    return local + central + end;
}

TEST(PackageSizeCheckTest, TheFileProbeRefusesABombBeforeTheOfficeSeesIt) {
    TempDir dir;
    const std::string bomb = dir.file("bomb.docx");
    const std::string normal = dir.file("normal.docx");
    TempDir::write(bomb, package({{"[Content_Types].xml", {300, 1'000}},
                                  {"word/document.xml", {1'500'000, 452 * MB}}}));
    TempDir::write(normal, package({{"[Content_Types].xml", {300, 1'000}},
                                    {"word/document.xml", {1'500'000, 15 * MB}}}));
    EXPECT_EQ(WordFileProbe::probe(normal), WordFileProbe::Format::OfficeOpenXml);
    try {
        WordFileProbe::probe(bomb);
        FAIL() << "accepted";
    } catch (const WordError& error) {
        EXPECT_EQ(error.kind(), WordError::Kind::CannotOpen);
        EXPECT_NE(std::string(error.what()).find("compression bomb"), std::string::npos)
            << error.what();
    }
}

} // namespace
