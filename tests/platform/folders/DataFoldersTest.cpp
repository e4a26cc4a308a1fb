#include "platform/folders/DataFolders.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using zarta::DataFolders;

namespace {

unsigned modeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

// Another account of this machine, for folders planted by someone else; root can hand files
// to it.
std::optional<uid_t> otherUser() {
    const passwd* nobody = ::getpwnam("nobody");
    if (::geteuid() != 0 || nobody == nullptr) {
        return std::nullopt;
    }
    return nobody->pw_uid;
}

class DataFoldersTest : public testing::Test {
protected:
    std::string folder() const { return dir.file("share/ZartaWordToPDF"); }
    TempDir dir;
};

TEST_F(DataFoldersTest, AMissingFolderIsCreatedPrivateAndAnOlderReadableOneTightened) {
    DataFolders::prepare(folder());
    EXPECT_EQ(modeOf(folder()), 0700u);
    EXPECT_EQ(modeOf(dir.file("share")), 0700u);

    ::chmod(folder().c_str(), 0755);
    DataFolders::prepare(folder());
    EXPECT_EQ(modeOf(folder()), 0700u);
}

TEST_F(DataFoldersTest, AFolderOthersControlIsRefusedSayingWhy) {
    const auto other = otherUser();
    struct Case {
        const char* name;
        std::function<void(const std::string&)> plant;
        const char* says;
        bool needsOtherUser;
    };
    const Case cases[] = {
        {"writable by everyone", [](const std::string& f) { ::chmod(f.c_str(), 0777); },
         "has mode 0777", false},
        {"writable by the group", [](const std::string& f) { ::chmod(f.c_str(), 0770); },
         "has mode 0770", false},
        {"owned by another user",
         [&](const std::string& f) {
             ::chmod(f.c_str(), 0777);
             EXPECT_EQ(::chown(f.c_str(), *other, static_cast<gid_t>(-1)), 0);
         },
         "belongs to the user \"nobody\", not to you", true},
        {"a planted work folder of another user",
         [&](const std::string& f) {
             fs::create_directory(f + "/conversion-planted");
             EXPECT_EQ(::chown((f + "/conversion-planted").c_str(), *other, static_cast<gid_t>(-1)),
                       0);
         },
         "conversion-planted\" in the data folder belongs to the user \"nobody\"", true},
        {"a link",
         [this](const std::string& f) {
             fs::remove_all(f);
             fs::create_directory(dir.file("elsewhere"));
             fs::create_symlink(dir.file("elsewhere"), f);
         },
         "is a link", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.needsOtherUser && !other) {
            continue; // only root can give a folder away
        }
        fs::remove_all(folder());
        DataFolders::prepare(folder());
        c.plant(folder());
        try {
            DataFolders::prepare(folder());
            ADD_FAILURE() << "accepted";
        } catch (const DataFolders::Refused& refused) {
            const std::string message = refused.what();
            EXPECT_NE(message.find(folder()), std::string::npos) << message;
            EXPECT_NE(message.find(c.says), std::string::npos) << message;
        }
        fs::remove_all(folder());
    }
}

// Whoever may rename a folder above the data folder may put a folder of their own in its place
// at any time, so every folder from the root down is checked, as ssh checks its files.
TEST_F(DataFoldersTest, AFolderAboveThatOthersCouldChangeIsRefusedNamingIt) {
    const auto other = otherUser();
    const std::string above = dir.file("share");
    struct Case {
        const char* name;
        std::function<void()> plant;
        const char* says; // empty: accepted
        bool needsOtherUser;
    };
    const Case cases[] = {
        {"writable by everyone", [&] { ::chmod(above.c_str(), 0777); }, "has mode 0777", false},
        {"writable by the group", [&] { ::chmod(above.c_str(), 0775); }, "has mode 0775", false},
        {"owned by another user",
         [&] { EXPECT_EQ(::chown(above.c_str(), *other, static_cast<gid_t>(-1)), 0); },
         "belongs to the user \"nobody\", who could put a folder of their own", true},
        {"a sticky folder everyone writes, with the data folder of ours below",
         [&] { ::chmod(above.c_str(), 01777); }, "", false},
        {"private", [&] { ::chmod(above.c_str(), 0700); }, "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.needsOtherUser && !other) {
            std::cout << "[  SKIPPED ] \"" << c.name << "\" needs root to give a folder away\n";
            continue;
        }
        DataFolders::prepare(folder());
        c.plant();
        try {
            DataFolders::prepare(folder());
            EXPECT_STREQ(c.says, "") << "accepted";
        } catch (const DataFolders::Refused& refused) {
            const std::string message = refused.what();
            EXPECT_NE(c.says[0], '\0') << message;
            EXPECT_NE(message.find("\"" + above + "\" above the data folder \"" + folder()),
                      std::string::npos)
                << message;
            EXPECT_NE(message.find(c.says), std::string::npos) << message;
        }
        ::chown(above.c_str(), ::geteuid(), static_cast<gid_t>(-1));
        ::chmod(above.c_str(), 0700);
    }
}

TEST_F(DataFoldersTest, TheFolderPathIsResolvedOnceAndALinkOnTheCheckedPathIsRefused) {
    fs::create_directories(dir.file("real/share"));
    fs::create_directory_symlink(dir.file("real"), dir.file("linked"));
    const char* previous = std::getenv("XDG_DATA_HOME");
    const std::string saved = previous != nullptr ? previous : "";
    ::setenv("XDG_DATA_HOME", dir.file("linked/share").c_str(), 1);
    const std::string resolved = DataFolders::dataFolder();
    previous != nullptr ? ::setenv("XDG_DATA_HOME", saved.c_str(), 1) : ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(resolved, dir.file("real/share/ZartaWordToPDF"));
    EXPECT_NO_THROW(DataFolders::prepare(resolved));

    try {
        DataFolders::prepare(dir.file("linked/share/ZartaWordToPDF"));
        ADD_FAILURE() << "a path through a link was accepted";
    } catch (const DataFolders::Refused& refused) {
        EXPECT_NE(std::string(refused.what()).find("\"" + dir.file("linked") + "\""),
                  std::string::npos)
            << refused.what();
    }
}

TEST_F(DataFoldersTest, PreparingRemovesTheWorkFoldersOfDeadRuns) {
    DataFolders::prepare(folder());
    fs::create_directories(folder() + "/conversion-dead00");
    TempDir::write(folder() + "/conversion-dead00/tmp.ps", "the whole document");
    fs::create_directories(folder() + "/office/user");
    DataFolders::prepare(folder());
    EXPECT_FALSE(fs::exists(folder() + "/conversion-dead00"));
    EXPECT_TRUE(fs::exists(folder() + "/office/user"));
}

} // namespace
