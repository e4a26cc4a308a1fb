#include "platform/office/OfficeProcess.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <unistd.h>

using zarta::OfficeProcess;

namespace {

// What a shell started as the office reports about its confinement: its network namespace,
// its user id and its address-space limit in KiB.
struct Report {
    std::string network;
    std::string user;
    std::string addressSpace;
    bool isolated = false;
};

Report confinedShell(const OfficeProcess::Confinement& confinement) {
    TempDir dir;
    const std::string log = dir.file("office.log");
    OfficeProcess process({"/bin/sh", "-c", "readlink /proc/self/ns/net; id -u; ulimit -v"}, {},
                          log, dir.path().string(), confinement);
    EXPECT_EQ(process.waitOrKill(std::chrono::seconds(20)), 0);
    std::istringstream lines(TempDir::read(log));
    Report report;
    std::getline(lines, report.network);
    std::getline(lines, report.user);
    std::getline(lines, report.addressSpace);
    report.isolated = process.networkIsolated();
    return report;
}

TEST(OfficeProcessTest, ConfinesTheOfficeWhereAsked) {
    const std::string ours = std::filesystem::read_symlink("/proc/self/ns/net").string();
    const std::string user = std::to_string(::geteuid());

    const Report open = confinedShell({});
    EXPECT_FALSE(open.isolated);
    EXPECT_EQ(open.network, ours);
    EXPECT_EQ(open.user, user);

    const Report confined = confinedShell({std::uint64_t{3} << 30, true});
    EXPECT_EQ(confined.user, user) << "the files and the pipe must keep their owner";
    EXPECT_EQ(confined.addressSpace, std::to_string(3 << 20));
    if (!confined.isolated) {
        GTEST_SKIP() << "this system gives a process no network namespace of its own";
    }
    EXPECT_NE(confined.network, ours);
}

} // namespace
