#include "platform/office/OfficePipe.h"

#include "tests/support/Neighbour.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <memory>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using zarta::OfficePipe;
namespace fs = std::filesystem;

namespace {

std::string runtimeName(const std::string& name) {
    return "OSL_PIPE_" + std::to_string(::getuid()) + "_" + name;
}

// A Unix socket bound at path; listening, or closed at once (what a killed office leaves).
class Planted {
public:
    Planted(const std::string& path, bool listening) {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        EXPECT_EQ(::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << path;
        if (listening) {
            EXPECT_EQ(::listen(fd_, 4), 0);
        } else {
            ::close(fd_);
            fd_ = -1;
        }
    }
    Planted(const Planted&) = delete;
    Planted& operator=(const Planted&) = delete;
    ~Planted() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }

private:
    int fd_ = -1;
};

void makeOld(const std::string& path, std::time_t seconds) {
    const timespec then[2] = {{::time(nullptr) - seconds, 0}, {::time(nullptr) - seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), then, AT_SYMLINK_NOFOLLOW), 0) << path;
}

TEST(OfficePipeTest, ThePipeIsInAPrivateFolderOfItsOwnThatGoesWithIt) {
    TempDir dir;
    ::chmod(dir.path().c_str(), 01777);
    std::string folder;
    {
        const OfficePipe pipe(dir.path().string());
        const OfficePipe other(dir.path().string());
        EXPECT_NE(pipe.name(), other.name());
        ASSERT_EQ(pipe.name().size(), std::string("zarta").size() + 32 + 2) << pipe.name();
        EXPECT_TRUE(pipe.name().starts_with("zarta") && pipe.name().ends_with("/s"));
        // The office's runtime puts its prefix before the name it is given.
        EXPECT_EQ(pipe.path(), dir.file(runtimeName(pipe.name())));
        folder = fs::path(pipe.path()).parent_path().string();
        struct stat info {};
        ASSERT_EQ(::lstat(folder.c_str(), &info), 0);
        EXPECT_TRUE(S_ISDIR(info.st_mode));
        EXPECT_EQ(info.st_mode & 07777, 0700u);
        EXPECT_EQ(info.st_uid, ::geteuid());
        Planted office(pipe.path(), false); // what an office leaves behind
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(folder)));
}

TEST(OfficePipeTest, AFolderOthersMayRenameInIsRefused) {
    TempDir dir;
    ::chmod(dir.path().c_str(), 0777);
    EXPECT_THROW(OfficePipe{dir.path().string()}, std::runtime_error);
    ::chmod(dir.path().c_str(), 01777);
    EXPECT_NO_THROW(OfficePipe{dir.path().string()});
}

TEST(OfficePipeTest, ConnectsOnlyToTheOfficeListening) {
    struct Case {
        const char* what;
        std::function<std::shared_ptr<Planted>(const std::string& path)> plant;
        pid_t office;
        bool connected;
    };
    const pid_t self = ::getpid();
    const Case cases[] = {
        {"nothing yet", [](auto&) { return nullptr; }, self, false},
        {"a socket nobody listens on",
         [](auto& path) { return std::make_shared<Planted>(path, false); }, self, false},
        {"the office listens", [](auto& path) { return std::make_shared<Planted>(path, true); },
         self, true},
        {"another process listens",
         [](auto& path) { return std::make_shared<Planted>(path, true); }, self + 1, false},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const OfficePipe pipe(dir.path().string());
        const auto planted = c.plant(pipe.path());
        const int descriptor = pipe.connect(c.office);
        EXPECT_EQ(descriptor >= 0, c.connected) << c.what;
        if (descriptor >= 0) {
            ::close(descriptor);
        }
    }
}

// The name is on the office's command line for everyone to read; still nobody else can bind
// it, nor anything else in its folder.
TEST(OfficePipeTest, AnotherUserCanTakeNoNameInThePipesFolder) {
    if (!Neighbour::available()) {
        GTEST_SKIP() << "needs root to act as a second user";
    }
    TempDir dir;
    ::chmod(dir.path().c_str(), 01777);
    const OfficePipe pipe(dir.path().string());
    const std::string folder = fs::path(pipe.path()).parent_path().string();
    Neighbour neighbour({pipe.path(), folder + "/other"});
    EXPECT_EQ(neighbour.outcomes(), (std::vector<int>{EACCES, EACCES}));
}

TEST(OfficePipeTest, RemovesOnlyWhatKilledOfficesLeft) {
    TempDir dir;
    ::chmod(dir.path().c_str(), 01777);
    const auto pipeFolder = [&](char digit) {
        const std::string folder = dir.file(runtimeName("zarta" + std::string(32, digit)));
        fs::create_directory(folder);
        return folder;
    };
    const std::string dead = pipeFolder('0');
    Planted(dead + "/s", false);
    const std::string live = pipeFolder('1');
    Planted running(live + "/s", true);
    const std::string starting = pipeFolder('2');
    Planted(starting + "/s", false); // bound just now: an office about to listen
    const std::string neverBound = pipeFolder('3');
    const std::string waitingForItsOffice = pipeFolder('4');
    const std::string olderSocket = dir.file(runtimeName("zarta" + std::string(32, 'a')));
    Planted(olderSocket, false); // what older versions left: a socket of its own
    const std::string foreignName = dir.file(runtimeName("somebodyelse"));
    Planted(foreignName, false);
    for (const std::string& old : {dead, live, waitingForItsOffice, olderSocket, foreignName}) {
        makeOld(old, 60);
    }
    makeOld(neverBound, 3600);

    EXPECT_EQ(OfficePipe::removeLeftovers(dir.path().string()), 3);
    for (const std::string& gone : {dead, neverBound, olderSocket}) {
        EXPECT_FALSE(fs::exists(fs::symlink_status(gone))) << gone;
    }
    for (const std::string& kept : {live, starting, waitingForItsOffice, foreignName}) {
        EXPECT_TRUE(fs::exists(fs::symlink_status(kept))) << kept;
    }
    fs::remove_all(live);
}

// The name the office gave its single-instance pipe for this profile URL.
TEST(OfficePipeTest, TheSingleInstancePipeIsNamedAsTheOfficeNamesIt) {
    EXPECT_EQ(OfficePipe::singleInstancePipe("file:///tmp/zexp/prof"),
              OfficePipe::runtimeFolder() + "/" +
                  runtimeName("SingleOfficeIPC_3879f75b9744c1f39ed82d75c7c12cf"));
}

TEST(OfficePipeTest, ThePipeIsMadeWhereTheOfficesRuntimePutsIt) {
    const OfficePipe pipe;
    EXPECT_EQ(pipe.path(), OfficePipe::runtimeFolder() + "/" + runtimeName(pipe.name()));
}

} // namespace
