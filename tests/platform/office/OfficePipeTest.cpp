#include "platform/office/OfficePipe.h"

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
using Outcome = OfficePipe::Attempt::Outcome;

namespace {

const std::string madeHere = "zarta0123456789abcdef0123456789abcdef";

std::string socketName(const std::string& name) {
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

TEST(OfficePipeTest, ConnectsOnlyToTheExpectedProcess) {
    struct Case {
        const char* what;
        // Puts something at path (target: another place it may use); yields what must stay
        // open while the pipe connects.
        std::function<std::shared_ptr<Planted>(const std::string& path, const std::string& target)>
            plant;
        pid_t expected;
        Outcome outcome;
        const char* reason;
    };
    const pid_t self = ::getpid();
    const pid_t office = self + 1; // a process that is not this one
    std::vector<Case> cases{
        {"nothing yet", [](auto&, auto&) { return nullptr; }, self, Outcome::NotListening, ""},
        {"a socket nobody listens on",
         [](auto& path, auto&) { return std::make_shared<Planted>(path, false); }, self,
         Outcome::NotListening, ""},
        {"the expected process listens",
         [](auto& path, auto&) { return std::make_shared<Planted>(path, true); }, self,
         Outcome::Connected, ""},
        {"another process listens",
         [](auto& path, auto&) { return std::make_shared<Planted>(path, true); }, office,
         Outcome::Refused, "another process"},
        {"a link to a listening socket",
         [](auto& path, auto& target) {
             auto planted = std::make_shared<Planted>(target, true);
             std::filesystem::create_symlink(target, path);
             return planted;
         },
         self, Outcome::Refused, "not a socket"},
        {"a regular file",
         [](auto& path, auto&) {
             TempDir::write(path, "x");
             return nullptr;
         },
         self, Outcome::Refused, "not a socket"},
    };
    if (::geteuid() == 0) {
        cases.push_back({"a socket of another user",
                         [](auto& path, auto&) {
                             auto planted = std::make_shared<Planted>(path, true);
                             EXPECT_EQ(::lchown(path.c_str(), 65534, 65534), 0);
                             return planted;
                         },
                         self, Outcome::Refused, "of user 65534"});
    }
    for (const Case& c : cases) {
        TempDir dir;
        const OfficePipe pipe(dir.path().string(), madeHere);
        const auto planted = c.plant(pipe.path(), dir.file("elsewhere"));
        const OfficePipe::Attempt attempt = pipe.connect(c.expected);
        EXPECT_EQ(attempt.outcome, c.outcome) << c.what;
        EXPECT_NE(attempt.reason.find(c.reason), std::string::npos)
            << c.what << ": " << attempt.reason;
        EXPECT_EQ(attempt.descriptor >= 0, c.outcome == Outcome::Connected) << c.what;
        if (attempt.descriptor >= 0) {
            ::close(attempt.descriptor);
        }
    }
}

TEST(OfficePipeTest, RemovesOnlyTheSocketsKilledOfficesLeft) {
    TempDir dir;
    const std::string leftover = dir.file(socketName(madeHere));
    const std::string live = dir.file(socketName("zarta" + std::string(32, 'f')));
    const std::string starting = dir.file(socketName("zarta" + std::string(32, 'd')));
    const std::string foreignName = dir.file(socketName("somebodyelse"));
    const std::string notSocket = dir.file(socketName("zarta" + std::string(32, 'e')));
    Planted(leftover, false);
    Planted running(live, true);
    Planted(starting, false); // bound just now: an office about to listen
    Planted(foreignName, false);
    TempDir::write(notSocket, "x");
    const timespec aMinuteAgo[2] = {{::time(nullptr) - 60, 0}, {::time(nullptr) - 60, 0}};
    for (const std::string& old : {leftover, live, foreignName, notSocket}) {
        ASSERT_EQ(::utimensat(AT_FDCWD, old.c_str(), aMinuteAgo, AT_SYMLINK_NOFOLLOW), 0);
    }

    EXPECT_EQ(OfficePipe::removeLeftovers(dir.path().string()), 1);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(leftover)));
    for (const std::string& kept : {live, starting, foreignName, notSocket}) {
        EXPECT_TRUE(std::filesystem::exists(std::filesystem::symlink_status(kept))) << kept;
    }
}

TEST(OfficePipeTest, EachPipeHasAFreshNameInTheRuntimeFolder) {
    const OfficePipe first;
    const OfficePipe second;
    EXPECT_NE(first.name(), second.name());
    EXPECT_EQ(first.name().size(), madeHere.size());
    EXPECT_EQ(first.path(), OfficePipe::runtimeFolder() + "/" + socketName(first.name()));
}

} // namespace
