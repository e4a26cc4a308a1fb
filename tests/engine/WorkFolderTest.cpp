#include "engine/WorkFolder.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

namespace fs = std::filesystem;
using zarta::WorkFolder;

namespace {

class WorkFolderTest : public testing::Test {
protected:
    std::string data() const { return dir.file("data"); }

    // What a run killed while converting leaves: its work folder with a print file, a nested
    // folder, links to files outside, and a staged PDF beside its final name.
    void leaveDeadRun(const std::string& name) const {
        const fs::path folder = fs::path(data()) / name;
        fs::create_directories(folder / "nested");
        TempDir::write((folder / "tmp.ps").string(), "the whole document");
        TempDir::write((folder / "nested" / "part").string(), "x");
        fs::create_symlink(victim(), folder / "link-to-file");
        fs::create_symlink(dir.file("victim-folder"), folder / "link-to-folder");
    }

    std::string victim() const { return dir.file("victim"); }

    void SetUp() override {
        fs::create_directories(data());
        fs::create_directories(dir.file("victim-folder"));
        TempDir::write(dir.file("victim-folder/kept"), "kept");
        TempDir::write(victim(), "victim");
    }

    void expectVictimsIntact() const {
        EXPECT_EQ(TempDir::read(victim()), "victim");
        EXPECT_EQ(TempDir::read(dir.file("victim-folder/kept")), "kept");
    }

    TempDir dir;
};

// A child process that holds a work folder until it is killed.
class LivingHolder {
public:
    explicit LivingHolder(const std::string& dataFolder) {
        int ready[2];
        EXPECT_EQ(::pipe(ready), 0);
        pid_ = ::fork();
        if (pid_ == 0) {
            const WorkFolder held(dataFolder);
            const std::string name = fs::path(held.path()).filename().string();
            [[maybe_unused]] const auto written = ::write(ready[1], name.data(), name.size());
            ::pause();
            ::_exit(0);
        }
        ::close(ready[1]);
        char name[64] = {};
        EXPECT_GT(::read(ready[0], name, sizeof name - 1), 0);
        ::close(ready[0]);
        name_ = name;
    }
    LivingHolder(const LivingHolder&) = delete;
    LivingHolder& operator=(const LivingHolder&) = delete;
    ~LivingHolder() {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    const std::string& name() const { return name_; }

private:
    pid_t pid_ = -1;
    std::string name_;
};

TEST_F(WorkFolderTest, IsPrivateLockedAndGoneWithEverythingInItButNeverFollowsLinks) {
    std::string path;
    {
        const WorkFolder work(data());
        path = work.path();
        EXPECT_TRUE(fs::path(path).filename().string().starts_with("conversion-"));
        struct stat info {};
        ASSERT_EQ(::stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u);
        const int other = ::open(path.c_str(), O_RDONLY | O_DIRECTORY);
        EXPECT_NE(::flock(other, LOCK_EX | LOCK_NB), 0) << "held while in use";
        ::close(other);

        fs::create_directories(work.file("nested"));
        TempDir::write(work.file("nested/tmp.ps"), "text");
        fs::create_symlink(victim(), work.file("link-to-file"));
        fs::create_symlink(dir.file("victim-folder"), work.file("link-to-folder"));
    }
    EXPECT_FALSE(fs::exists(path));
    expectVictimsIntact();
}

TEST_F(WorkFolderTest, StartUpRemovesDeadRunsOnlyAndNeverFollowsLinks) {
    leaveDeadRun("conversion-dead01");
    leaveDeadRun("conversion-dead02");
    // A folder being set up right now, and one whose set-up died long ago.
    fs::create_directories(fs::path(data()) / ".new-recent");
    fs::create_directories(fs::path(data()) / ".new-old");
    const utimbuf hourAgo{::time(nullptr) - 3600, ::time(nullptr) - 3600};
    ::utime((fs::path(data()) / ".new-old").c_str(), &hourAgo);
    // A name of ours, planted as a link to a folder of the victim.
    fs::create_symlink(dir.file("victim-folder"), fs::path(data()) / "conversion-link");
    // Other parts of the data folder are not work folders.
    fs::create_directories(fs::path(data()) / "office" / "user");

    const WorkFolder ownRunning(data());
    const LivingHolder otherRunning(data());

    EXPECT_EQ(WorkFolder::removeLeftovers(data()), 3);

    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(data())) {
        left.push_back(entry.path().filename().string());
    }
    std::sort(left.begin(), left.end());
    std::vector<std::string> expected{".new-recent", "office",
                                      fs::path(ownRunning.path()).filename().string(),
                                      otherRunning.name()};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(left, expected);
    expectVictimsIntact();
}

TEST_F(WorkFolderTest, AStagedFileNotedByAKilledRunIsRemovedAtTheNextStart) {
    const std::string out = dir.file("out");
    fs::create_directories(out);
    TempDir::write(out + "/.Report.pdf.partial", "%PDF-1.4 half");
    TempDir::write(out + "/.Other.pdf.kept", "not noted");
    const pid_t pid = ::fork();
    if (pid == 0) {
        const WorkFolder work(data());
        work.remember(out, ".Report.pdf.partial");
        ::raise(SIGKILL);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_FALSE(fs::is_empty(data()));

    EXPECT_EQ(WorkFolder::removeLeftovers(data()), 1);
    EXPECT_TRUE(fs::is_empty(data()));
    EXPECT_FALSE(fs::exists(out + "/.Report.pdf.partial"));
    EXPECT_TRUE(fs::exists(out + "/.Other.pdf.kept"));
}

} // namespace
