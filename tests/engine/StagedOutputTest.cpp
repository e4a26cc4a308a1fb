#include "engine/StagedOutput.h"

#include "engine/ConversionError.h"
#include "engine/WorkFolder.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <optional>
#include <poll.h>
#include <pwd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace zarta;

namespace {

unsigned modeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

class StagedOutputTest : public testing::Test {
protected:
    StagedOutputTest() { fs::create_directories(out()); }

    std::string out() const { return dir.file("out"); }
    std::string data() const { return dir.file("data"); }

    std::vector<std::string> outputFolderNames() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(out())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir dir;
};

TEST_F(StagedOutputTest, PublishesTheCompletePdfKeepingTheModeOfTheOneItReplaces) {
    const mode_t mask = ::umask(022);
    ::umask(mask);
    struct Case {
        const char* name;
        std::optional<unsigned> existingMode; // absent: no PDF yet
        bool existingIsLink;
        unsigned expectedMode;
    };
    const Case cases[] = {
        {"new PDF", std::nullopt, false, 0666 & ~mask},
        {"private PDF", 0600u, false, 0600u},
        {"group-readable PDF", 0640u, false, 0640u},
        {"read-only PDF", 0444u, false, 0444u},
        {"link at the final name", 0600u, true, 0666 & ~mask},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string final = out() + "/Report.pdf";
        fs::remove(final);
        TempDir::write(dir.file("victim"), "victim");
        ::chmod(dir.file("victim").c_str(), 0600);
        if (c.existingIsLink) {
            fs::create_symlink(dir.file("victim"), final);
        } else if (c.existingMode) {
            TempDir::write(final, "old");
            ::chmod(final.c_str(), *c.existingMode);
        }
        {
            const WorkFolder work(data());
            StagedOutput staged(final, work);
            EXPECT_EQ(fs::path(staged.path()).parent_path(), fs::path(work.path()));
            TempDir::write(staged.path(), "%PDF-1.4 new");
            EXPECT_EQ(outputFolderNames().size(), c.existingMode ? 1u : 0u)
                << "nothing appears in the destination before the commit";
            staged.commit();
        }
        EXPECT_FALSE(fs::is_symlink(final));
        EXPECT_EQ(TempDir::read(final), "%PDF-1.4 new");
        EXPECT_EQ(modeOf(final), c.expectedMode);
        EXPECT_EQ(TempDir::read(dir.file("victim")), "victim");
        EXPECT_EQ(outputFolderNames(), (std::vector<std::string>{"Report.pdf"}));
        EXPECT_TRUE(fs::is_empty(data()));
    }
}

// In a shared destination without the sticky bit another user may have made the PDF's name
// first, with a mode that lets them read and change it.
TEST_F(StagedOutputTest, AReplacedPdfOfAnotherUserDoesNotPassItsModeOn) {
    const passwd* nobody = ::getpwnam("nobody");
    if (::geteuid() != 0 || nobody == nullptr) {
        GTEST_SKIP() << "needs root (to give a file to the user nobody)";
    }
    const mode_t mask = ::umask(022);
    const std::string final = out() + "/welcome.pdf";
    TempDir::write(final, "theirs");
    ASSERT_EQ(::chown(final.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    ASSERT_EQ(::chmod(final.c_str(), 0666), 0);
    {
        const WorkFolder work(data());
        StagedOutput staged(final, work);
        TempDir::write(staged.path(), "%PDF-1.4 ours");
        staged.commit();
    }
    ::umask(mask);
    struct stat info {};
    ASSERT_EQ(::lstat(final.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, ::geteuid());
    EXPECT_EQ(info.st_mode & 07777, 0644u);
    EXPECT_EQ(TempDir::read(final), "%PDF-1.4 ours");
}

// The staging file beside the PDF must not need more room in its name than the PDF itself.
TEST_F(StagedOutputTest, PublishesUnderNamesUpToTheFileSystemsLimit) {
    const std::string nonUtf8 = "caf\xE9 \xFF\xFE.pdf";
    for (const std::string& name :
         {std::string(245, 'a') + ".pdf", std::string(251, 'b') + ".pdf", nonUtf8}) {
        SCOPED_TRACE(name.size());
        const std::string final = out() + "/" + name;
        {
            const WorkFolder work(data());
            StagedOutput staged(final, work);
            TempDir::write(staged.path(), "%PDF-1.4 long");
            staged.commit();
        }
        EXPECT_EQ(TempDir::read(final), "%PDF-1.4 long");
        EXPECT_EQ(outputFolderNames(), (std::vector<std::string>{name}));
        fs::remove(final);
    }
}

TEST_F(StagedOutputTest, NothingProducedLeavesTheOlderPdfAlone) {
    const std::string final = out() + "/Report.pdf";
    TempDir::write(final, "old");
    for (const bool empty : {false, true}) {
        const WorkFolder work(data());
        StagedOutput staged(final, work);
        if (empty) {
            TempDir::write(staged.path(), "");
        }
        EXPECT_THROW(staged.commit(), ConversionError);
        EXPECT_EQ(TempDir::read(final), "old");
        EXPECT_EQ(outputFolderNames(), (std::vector<std::string>{"Report.pdf"}));
    }
}

// Another user who can write the destination sees the hidden staging file appear and puts a
// link to one of the victim's files in its place at once.
TEST_F(StagedOutputTest, ALinkPlantedAtTheStagingNameIsNotFollowed) {
    const std::string final = out() + "/Report.pdf";
    TempDir::write(dir.file("victim"), "victim's own data");

    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, out().c_str(), IN_CREATE), 0);
    std::atomic<bool> stop = false;
    std::atomic<int> swapped = 0;
    std::thread attacker([&] {
        alignas(inotify_event) char buffer[4096];
        while (!stop) {
            pollfd fd{watch, POLLIN, 0};
            if (::poll(&fd, 1, 10) <= 0) {
                continue;
            }
            const ssize_t count = ::read(watch, buffer, sizeof buffer);
            for (ssize_t at = 0; at < count;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                const std::string name = event->len > 0 ? event->name : "";
                if (name.starts_with(".") && swapped == 0) {
                    const std::string path = out() + "/" + name;
                    if (::unlink(path.c_str()) == 0 &&
                        ::symlink(dir.file("victim").c_str(), path.c_str()) == 0) {
                        ++swapped;
                    }
                }
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    });

    // Large enough that copying it takes far longer than the attacker needs to react; on a
    // machine too busy to let the attacker run in time, the commit is tried again.
    const std::string pdf = "%PDF-1.4\n" + std::string(24 << 20, 'x');
    for (int attempt = 0; attempt < 5 && swapped == 0; ++attempt) {
        SCOPED_TRACE(attempt);
        TempDir::write(final, "old");
        bool published = false;
        {
            const WorkFolder work(data());
            StagedOutput staged(final, work);
            TempDir::write(staged.path(), pdf);
            try {
                staged.commit();
                published = true;
            } catch (const ConversionError& error) {
                EXPECT_NE(std::string(error.what()).find("replaced by someone else"),
                          std::string::npos)
                    << error.what();
            }
        }
        EXPECT_EQ(TempDir::read(dir.file("victim")), "victim's own data");
        EXPECT_FALSE(fs::is_symlink(final));
        if (published) {
            EXPECT_EQ(fs::file_size(final), pdf.size());
        } else if (fs::exists(final)) {
            // Only a swap in the instant between the last check and the rename costs the older
            // PDF; any other swap leaves it as it was.
            EXPECT_EQ(TempDir::read(final), "old");
        }
    }
    stop = true;
    attacker.join();
    ::close(watch);
    EXPECT_EQ(swapped, 1) << "the attacker never found the staging file";
}

} // namespace
