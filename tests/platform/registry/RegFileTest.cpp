#include "platform/registry/RegFile.h"
#include "platform/registry/RegistryError.h"

#include <gtest/gtest.h>

using namespace zarta;

namespace {

RegistryKey sampleHive() {
    RegistryKey root;
    RegistryKey& addin = root.create("Software\\Microsoft\\Office\\Word\\Addins\\My.Addin");
    addin.setString("FriendlyName", "WORD Custom Addin");
    addin.setDword("LoadBehavior", 3);
    addin.setDword("Max", 0xFFFFFFFF);
    RegistryKey& odd = root.create("Software\\Odd [key] name");
    odd.setString("", "C:\\path with \"quotes\"");
    odd.setString("Lines", "first\nsecond\ttab");
    odd.setString("Wide", "Ünïcödé 標題 \xF0\x9F\x93\x84");
    odd.setString("Empty", "");
    root.create("Software\\Empty\\Programmable");
    return root;
}

} // namespace

TEST(RegFile, AHiveReadsBackEqualAndWritesBackByteForByte) {
    const RegistryKey hive = sampleHive();
    const std::string text = RegFile::write(RegistryHive::CurrentUser, hive);
    const RegistryKey again = RegFile::read(RegistryHive::CurrentUser, text, "test");
    EXPECT_EQ(again, hive);
    EXPECT_EQ(RegFile::write(RegistryHive::CurrentUser, again), text);
    // A line break cannot stand between quotes: the value goes out as UTF-16 bytes.
    EXPECT_NE(text.find("\"Lines\"=hex(1):66,00,69,00"), std::string::npos) << text;
    EXPECT_NE(text.find("@=\"C:\\\\path with \\\"quotes\\\"\""), std::string::npos) << text;
    EXPECT_NE(text.find("\"Max\"=dword:ffffffff"), std::string::npos) << text;
}

TEST(RegFile, DamagedTextIsRefusedNamingTheLine) {
    const std::string good = RegFile::write(RegistryHive::CurrentUser, sampleHive());
    struct Case {
        const char* what;
        std::string text;
    };
    const Case cases[] = {
        {"empty file", ""},
        {"cut after the header", "Windows Registry Editor Version 5.00\n"},
        {"cut inside a line", good.substr(0, good.find("WORD Custom") + 4)},
        {"cut after a value line", good.substr(0, good.find("\"LoadBehavior\""))},
        {"no header", "[HKEY_CURRENT_USER\\Software]\n\n"},
        {"another hive", "Windows Registry Editor Version 5.00\n\n[HKEY_CLASSES_ROOT\\CLSID]\n\n"},
        {"value outside a key", "Windows Registry Editor Version 5.00\n\n\"A\"=\"b\"\n\n"},
        {"short dword",
         "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\A]\n\"A\"=dword:3\n\n"},
        {"unknown type",
         "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\A]\n\"A\"=hex:00\n\n"},
        {"unclosed quote",
         "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\A]\n\"A\"=\"b\n\n"},
        {"unclosed key line", "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\A\n\n"},
        {"empty key name",
         "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\A\\\\B]\n\n"},
        {"odd hex(1)",
         "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\A]\n\"A\"=hex(1):41\n\n"},
    };
    for (const Case& c : cases) {
        try {
            RegFile::read(RegistryHive::CurrentUser, c.text, "/x/HKEY_CURRENT_USER.reg");
            ADD_FAILURE() << c.what << " was accepted";
        } catch (const RegistryError& error) {
            EXPECT_EQ(error.code(), RegistryError::damaged) << c.what;
            EXPECT_NE(std::string(error.what()).find("/x/HKEY_CURRENT_USER.reg is damaged (line"),
                      std::string::npos)
                << c.what << ": " << error.what();
        }
    }
}

TEST(RegistryKey, NamesMatchWithoutCaseAndKeepTheirFirstSpelling) {
    RegistryKey root;
    root.create("Software\\Microsoft").setString("Name", "one");
    root.create("SOFTWARE\\microsoft\\Office");
    root.find("software\\MICROSOFT")->setString("NAME", "two");

    ASSERT_EQ(root.subkeys().size(), 1u);
    const RegistryKey* microsoft = root.find("sOfTwArE\\Microsoft");
    ASSERT_NE(microsoft, nullptr);
    EXPECT_EQ(root.subkeys().front().name(), "Software");
    EXPECT_EQ(microsoft->name(), "Microsoft");
    ASSERT_EQ(microsoft->values().size(), 1u);
    EXPECT_EQ(microsoft->values().front().name, "Name");
    EXPECT_EQ(microsoft->values().front().text, "two");
    EXPECT_EQ(root.find("Software\\Missing"), nullptr);
    EXPECT_EQ(root.find("Software\\\\Microsoft"), nullptr);

    const char* refused[] = {"", "A\\\\B", "A\\", "Line\nbreak"};
    for (const char* path : refused) {
        EXPECT_THROW(root.create(path), RegistryError) << path;
    }
}

namespace {

// "k\k\...\k", `levels` names deep.
std::string levelsDeep(std::size_t levels) {
    std::string path = "k";
    for (std::size_t i = 1; i < levels; ++i) {
        path += "\\k";
    }
    return path;
}

std::string repeated(const std::string& text, int times) {
    std::string result;
    for (int i = 0; i < times; ++i) {
        result += text;
    }
    return result;
}

std::string hiveText(const std::string& lines) {
    return "Windows Registry Editor Version 5.00\n\n" + lines + "\n";
}

} // namespace

// Windows nests keys at most 512 levels deep and limits the names and values; a file beyond
// those limits is damaged, and reading it must neither crash (a key path a million levels deep
// once overflowed the stack) nor take the file's megabytes into the message.
TEST(RegFile, AFileBeyondTheRegistrysLimitsIsDamagedNamingTheLine) {
    const std::string key = "[HKEY_CURRENT_USER\\Software]\n";
    struct Case {
        const char* what;
        std::string text;
        bool accepted;
        int line = 3; // of the key, or of the value after it
    };
    const Case cases[] = {
        {"512 levels", hiveText("[HKEY_CURRENT_USER\\" + levelsDeep(512) + "]\n"), true},
        {"513 levels", hiveText("[HKEY_CURRENT_USER\\" + levelsDeep(513) + "]\n"), false},
        {"a million levels", hiveText("[HKEY_CURRENT_USER\\" + levelsDeep(1000000) + "]\n"), false},
        {"a key name of 255 characters (three bytes each)",
         hiveText("[HKEY_CURRENT_USER\\" + repeated("報", 255) + "]\n"), true},
        {"a key name of 256 characters",
         hiveText("[HKEY_CURRENT_USER\\" + std::string(256, 'x') + "]\n"), false},
        {"a value name of 16383 characters",
         hiveText(key + "\"" + std::string(16383, 'v') + "\"=\"x\"\n"), true},
        {"a value name of 16384 characters",
         hiveText(key + "\"" + std::string(16384, 'v') + "\"=\"x\"\n"), false, 4},
        {"a value of 1 MiB", hiveText(key + "@=\"" + std::string(1 << 20, 'd') + "\"\n"), true},
        {"a value of 1 MiB and a byte",
         hiveText(key + "@=\"" + std::string((1 << 20) + 1, 'd') + "\"\n"), false, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            const RegistryKey root =
                RegFile::read(RegistryHive::CurrentUser, c.text, "/x/HKEY_CURRENT_USER.reg");
            EXPECT_TRUE(c.accepted);
            // What was read is written so that it reads back the same.
            EXPECT_TRUE(RegFile::read(RegistryHive::CurrentUser,
                                      RegFile::write(RegistryHive::CurrentUser, root),
                                      "again") == root);
        } catch (const RegistryError& error) {
            EXPECT_FALSE(c.accepted) << error.what();
            EXPECT_EQ(error.code(), RegistryError::damaged);
            const std::string expected =
                "/x/HKEY_CURRENT_USER.reg is damaged (line " + std::to_string(c.line) + ")";
            EXPECT_NE(std::string(error.what()).find(expected), std::string::npos) << error.what();
            EXPECT_LT(std::string(error.what()).size(), 400u);
        }
    }
}

TEST(RegistryKey, KeysNestDeeperThan512LevelsBelowTheirRootNowhere) {
    RegistryKey root;
    RegistryKey& deep = root.create(levelsDeep(510));
    EXPECT_NO_THROW(deep.create("a\\b"));
    EXPECT_THROW(deep.create("a\\b\\c"), RegistryError);
    EXPECT_THROW(deep.create("x").create("y").create("z"), RegistryError);
    EXPECT_NE(root.find(levelsDeep(510) + "\\x\\y"), nullptr);
    EXPECT_EQ(root.find(levelsDeep(510) + "\\x\\y\\z"), nullptr);
}
