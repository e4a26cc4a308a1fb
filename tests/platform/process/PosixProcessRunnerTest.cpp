#include "platform/process/PosixProcessRunner.h"

#include "engine/BatchAbandoned.h"
#include "engine/BatchControl.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace zarta;
using namespace std::chrono_literals;

namespace {

ProcessRunner::Result shell(const std::string& script, BatchControl& control,
                            std::chrono::milliseconds grace = 2s) {
    PosixProcessRunner runner(grace);
    return runner.run({"/bin/sh", "-c", script}, {}, control);
}

// A process that has ended and been reaped, or ended and waiting for a parent that never reaps
// (orphans in a container whose first process does not reap), counts as gone.
bool isGone(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string pidField, comm, state;
    return !(stat >> pidField >> comm >> state) || state == "Z";
}

void waitForFile(const std::string& path) {
    for (int i = 0; i < 500 && !std::filesystem::exists(path); ++i) {
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_TRUE(std::filesystem::exists(path));
    std::this_thread::sleep_for(50ms); // let the writer finish the line
}

TEST(PosixProcessRunner, ReportsExitStatusSignalAndBothOutputs) {
    BatchControl control;
    const auto exited = shell("echo out; echo err >&2; exit 3", control);
    EXPECT_EQ(exited.exitStatus, 3);
    EXPECT_EQ(exited.signal, 0);
    EXPECT_EQ(exited.output, "out\n");
    EXPECT_EQ(exited.errorOutput, "err\n");
    EXPECT_FALSE(exited.succeeded());

    const auto killed = shell("kill -TERM $$", control);
    EXPECT_EQ(killed.exitStatus, -1);
    EXPECT_EQ(killed.signal, SIGTERM);
    EXPECT_TRUE(shell("true", control).succeeded());
}

TEST(PosixProcessRunner, EnvironmentEntriesAddToOrReplaceTheCallers) {
    BatchControl control;
    ::setenv("ZARTA_KEPT", "kept", 1);
    ::setenv("ZARTA_REPLACED", "old", 1);
    ProcessRunner::Settings settings;
    settings.environment = {"ZARTA_REPLACED=new", "ZARTA_ADDED=added"};
    const auto result = PosixProcessRunner().run(
        {"/bin/sh", "-c",
         "echo \"$ZARTA_KEPT $ZARTA_REPLACED $ZARTA_ADDED\"; env | grep -c '^ZARTA_REPLACED='"},
        settings, control);
    EXPECT_EQ(result.output, "kept new added\n1\n");
}

TEST(PosixProcessRunner, KeepsTheTailsOfLargeOutputsWithoutBlocking) {
    BatchControl control;
    const auto result = shell("head -c 300000 /dev/zero | tr '\\0' a >&2;"
                              "head -c 300000 /dev/zero | tr '\\0' b; echo END",
                              control);
    EXPECT_TRUE(result.succeeded());
    ASSERT_EQ(result.output.size(), PosixProcessRunner::tailLimit);
    EXPECT_TRUE(result.output.ends_with("bbbEND\n"));
    EXPECT_EQ(result.errorOutput, std::string(PosixProcessRunner::tailLimit, 'a'));
}

TEST(PosixProcessRunner, ChildGetsNullInputNoOtherFilesAndItsOwnGroup) {
    const int leaked = ::open("/dev/null", O_RDONLY); // deliberately without close-on-exec
    ASSERT_GE(leaked, 0);
    BatchControl control;
    // ls lists its own descriptors: what it inherited through the shell, and the one it opens
    // to read the folder (the lowest free one). The shell's own list would be unreliable: it
    // holds a pipeline's pipes for a moment while it starts the next command.
    const auto result = shell("readlink /proc/self/fd/0; ls /proc/self/fd | sort -n | tr '\\n' ' ';"
                              "echo; cut -d' ' -f1,5 /proc/$$/stat",
                              control);
    ::close(leaked);

    std::istringstream lines(result.output);
    std::string input, fds, ids;
    std::getline(lines, input);
    std::getline(lines, fds);
    std::getline(lines, ids);
    EXPECT_EQ(input, "/dev/null");
    EXPECT_EQ(fds, "0 1 2 3 ");
    std::istringstream idFields(ids);
    pid_t pid = 0, group = 0;
    idFields >> pid >> group;
    EXPECT_EQ(group, pid);
    EXPECT_NE(group, ::getpgrp());
}

// The child starts in the open folder it is given, also once the folder's path names another
// folder: its relative names reach the folder that was opened, never what took its place.
TEST(PosixProcessRunner, AChildStartsInTheOpenFolderItIsGivenWhateverItsPathNamesNow) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("work"));
    const int folder = ::open(dir.file("work").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(folder, 0);
    std::filesystem::rename(dir.file("work"), dir.file("moved"));
    std::filesystem::create_directory(dir.file("work"));

    ProcessRunner::Settings settings;
    settings.workingFolder = folder;
    BatchControl control;
    const auto result = PosixProcessRunner().run(
        {"/bin/sh", "-c", "echo written > ./note && /bin/pwd -P"}, settings, control);
    ::close(folder);
    ASSERT_TRUE(result.succeeded()) << result.errorOutput;
    EXPECT_EQ(result.output, dir.file("moved") + "\n");
    EXPECT_EQ(TempDir::read(dir.file("moved/note")), "written\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("work/note")));
}

TEST(PosixProcessRunner, MissingProgramIsAStartError) {
    BatchControl control;
    PosixProcessRunner runner;
    EXPECT_THROW(runner.run({"/nonexistent/gs", "-v"}, {}, control), ProcessRunner::StartError);
    EXPECT_THROW(runner.run({}, {}, control), ProcessRunner::StartError);
    TempDir dir;
    TempDir::write(dir.file("plain"), "not a program");
    EXPECT_THROW(runner.run({dir.file("plain")}, {}, control), ProcessRunner::StartError);
}

TEST(PosixProcessRunner, AbandonEndsTheWholeGroupPromptly) {
    TempDir dir;
    BatchControl control;
    auto running = std::async(std::launch::async, [&] {
        return shell("sleep 60 & echo $! > '" + dir.file("pid") + "'; wait", control);
    });
    waitForFile(dir.file("pid"));
    const pid_t grandchild = std::stoi(TempDir::read(dir.file("pid")));

    const auto start = std::chrono::steady_clock::now();
    control.abandon();
    ASSERT_EQ(running.wait_for(5s), std::future_status::ready);
    EXPECT_THROW(running.get(), BatchAbandoned);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    for (int i = 0; i < 100 && !isGone(grandchild); ++i) {
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_TRUE(isGone(grandchild));
}

TEST(PosixProcessRunner, AChildIgnoringTermIsKilledAfterTheGrace) {
    TempDir dir;
    BatchControl control;
    auto running = std::async(std::launch::async, [&] {
        return shell("trap '' TERM; touch '" + dir.file("ready") +
                         "'; while :; do sleep 0.05; done",
                     control, 300ms);
    });
    waitForFile(dir.file("ready"));
    const auto start = std::chrono::steady_clock::now();
    control.abandon();
    ASSERT_EQ(running.wait_for(5s), std::future_status::ready);
    EXPECT_THROW(running.get(), BatchAbandoned);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms);
}

TEST(PosixProcessRunner, AnAbandonedBatchStartsNothing) {
    TempDir dir;
    BatchControl control;
    control.abandon();
    EXPECT_THROW(shell("touch '" + dir.file("ran") + "'", control), BatchAbandoned);
    EXPECT_FALSE(std::filesystem::exists(dir.file("ran")));
}

} // namespace

namespace {

TEST(PosixProcessRunner, StandardInputComesFromMemoryNotFromAFile) {
    BatchControl control;
    ProcessRunner::Settings settings;
    settings.standardInput = "-sOwnerPassword=\"secret\"\n";
    const auto result = PosixProcessRunner().run(
        {"/bin/sh", "-c", "readlink /proc/self/fd/0; cat /dev/stdin"}, settings, control);
    ASSERT_TRUE(result.succeeded()) << result.errorOutput;
    EXPECT_TRUE(result.output.starts_with("/memfd:")) << result.output;
    EXPECT_NE(result.output.find("\n-sOwnerPassword=\"secret\"\n"), std::string::npos);
}

TEST(PosixProcessRunner, RemovedPrefixesKeepVariablesFromTheChild) {
    BatchControl control;
    ::setenv("GS_OPTIONS", "-sDEVICE=txtwrite", 1);
    ::setenv("GS_LIB", "/elsewhere", 1);
    ::setenv("ZARTA_KEPT", "kept", 1);
    ProcessRunner::Settings settings;
    settings.removedPrefixes = {"GS_"};
    const auto result = PosixProcessRunner().run(
        {"/bin/sh", "-c", "env | grep -c '^GS_'; echo $ZARTA_KEPT"}, settings, control);
    ::unsetenv("GS_OPTIONS");
    ::unsetenv("GS_LIB");
    EXPECT_EQ(result.output, "0\nkept\n");
}

TEST(PosixProcessRunner, AChildPastItsTimeLimitIsEndedAndReportedAsTimedOut) {
    struct Case {
        const char* name;
        std::string script;
        int signal;
    };
    const Case cases[] = {
        {"ends on TERM", "sleep 30", SIGTERM},
        {"ignores TERM", "trap '' TERM; sleep 30 & wait; sleep 30", SIGKILL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BatchControl control;
        ProcessRunner::Settings settings;
        settings.timeLimit = 300ms;
        const auto start = std::chrono::steady_clock::now();
        const auto result =
            PosixProcessRunner(500ms).run({"/bin/sh", "-c", c.script}, settings, control);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
        EXPECT_TRUE(result.timedOut);
        EXPECT_FALSE(result.succeeded());
        EXPECT_EQ(result.signal, c.signal);
    }
    BatchControl control;
    ProcessRunner::Settings settings;
    settings.timeLimit = 10s;
    const auto quick = PosixProcessRunner().run({"/bin/true"}, settings, control);
    EXPECT_TRUE(quick.succeeded());
    EXPECT_FALSE(quick.timedOut);
}

TEST(PosixProcessRunner, AChildDiesWithTheProgramThatStartedIt) {
    TempDir dir;
    const std::string pidFile = dir.file("pid");
    // A copy of this process runs a long child, then is killed without any chance to clean up.
    const pid_t program = ::fork();
    if (program == 0) {
        BatchControl control;
        PosixProcessRunner().run({"/bin/sh", "-c", "echo $$ > '" + pidFile + "'; exec sleep 60"},
                                 {}, control);
        ::_exit(0);
    }
    waitForFile(pidFile);
    const pid_t child = std::stoi(TempDir::read(pidFile));
    EXPECT_FALSE(isGone(child));
    ::kill(program, SIGKILL);
    ::waitpid(program, nullptr, 0);
    for (int i = 0; i < 500 && !isGone(child); ++i) {
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_TRUE(isGone(child));
    if (!isGone(child)) {
        ::kill(child, SIGKILL);
    }
}

} // namespace
