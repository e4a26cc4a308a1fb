#include "platform/process/ChildProcess.h"

#include "engine/FileDescriptor.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sstream>
#include <sys/wait.h>

using namespace zarta;

namespace {

// Runs a shell command as a child with its output in a file; returns the output.
struct ShellRun {
    std::string output;
    std::optional<int> status;
};

ShellRun runShell(const std::string& command, const std::vector<std::string>& environment,
                  std::optional<mode_t> umask = std::nullopt) {
    TempDir dir;
    const std::string outputFile = dir.file("out");
    const FileDescriptor input(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    const FileDescriptor output(::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
    ChildProcess::Setup setup;
    setup.arguments = {"/bin/sh", "-c", command};
    setup.environment = environment;
    setup.input = input.get();
    setup.output = output.get();
    setup.error = output.get();
    setup.umask = umask;
    ChildProcess child(setup);
    ShellRun run;
    run.status = child.reap();
    run.output = TempDir::read(outputFile);
    return run;
}

} // namespace

TEST(ChildProcess, EnvironmentDropsRemovedPrefixesAndReplacesAddedNames) {
    ::setenv("ZARTA_CHILD_KEPT", "kept", 1);
    ::setenv("ZARTA_CHILD_REPLACED", "old", 1);
    ::setenv("GS_CHILD_SECRET", "x", 1);
    const auto environment =
        ChildProcess::environment({"ZARTA_CHILD_REPLACED=new", "ZARTA_CHILD_ADDED=1"}, {"GS_"});
    struct Case {
        const char* entry;
        long count;
    };
    for (const Case c : {Case{"ZARTA_CHILD_KEPT=kept", 1}, Case{"ZARTA_CHILD_REPLACED=new", 1},
                         Case{"ZARTA_CHILD_REPLACED=old", 0}, Case{"ZARTA_CHILD_ADDED=1", 1},
                         Case{"GS_CHILD_SECRET=x", 0}}) {
        EXPECT_EQ(std::count(environment.begin(), environment.end(), c.entry), c.count) << c.entry;
    }
    ::unsetenv("ZARTA_CHILD_KEPT");
    ::unsetenv("ZARTA_CHILD_REPLACED");
    ::unsetenv("GS_CHILD_SECRET");
}

TEST(ChildProcess, ProgramsThatCannotRunAreStartErrors) {
    TempDir dir;
    TempDir::write(dir.file("plain"), "not a program");
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{}, {""}, {"/nonexistent/program"}, {dir.file("plain")}}) {
        ChildProcess::Setup setup;
        setup.arguments = arguments;
        setup.input = setup.output = setup.error = STDERR_FILENO;
        EXPECT_THROW(ChildProcess child(setup), ChildProcess::StartError)
            << (arguments.empty() ? "(none)" : arguments.front());
    }
}

TEST(ChildProcess, ChildGetsItsOwnGroupUmaskEnvironmentAndNoOtherDescriptors) {
    // A descriptor of this process without close-on-exec must not reach the child.
    const FileDescriptor leaked(::open("/dev/null", O_RDONLY));
    const ShellRun run = runShell(
        "echo pgid $(cut -d' ' -f5 /proc/$$/stat) pid $$; echo umask $(umask); echo env $ONLY; "
        "ls /proc/$$/fd | wc -l",
        {"ONLY=this"}, mode_t{027});
    ASSERT_TRUE(run.status && WIFEXITED(*run.status) && WEXITSTATUS(*run.status) == 0)
        << run.output;
    std::istringstream lines(run.output);
    std::string word, pgid, pid, umaskText, env;
    int descriptors = 0;
    lines >> word >> pgid >> word >> pid >> word >> umaskText >> word >> env >> descriptors;
    EXPECT_EQ(pgid, pid) << run.output;
    EXPECT_EQ(umaskText, "0027");
    EXPECT_EQ(env, "this");
    // The shell's 0, 1 and 2 only: the start's report pipe closes on exec, the leaked one never
    // reaches the child.
    EXPECT_EQ(descriptors, 3) << run.output;
}

TEST(ChildProcess, SignalsNeverReachAReapedGroup) {
    ChildProcess::Setup setup;
    setup.arguments = {"/bin/sh", "-c", "sleep 30"};
    setup.input = setup.output = setup.error = STDERR_FILENO;
    ChildProcess child(setup);
    EXPECT_FALSE(child.hasEnded());
    child.signalGroup(SIGKILL);
    const auto status = child.reap();
    ASSERT_TRUE(status);
    EXPECT_TRUE(WIFSIGNALED(*status));
    EXPECT_TRUE(child.hasEnded());
    child.signalGroup(SIGKILL); // the id may be someone else's by now: nothing is sent
}
