// The conversion service as systemd's user instance runs it: the unit files pass systemd's own
// checks, and a service handed its listening socket serves the first client, which then starts
// no service of its own. systemd-socket-activate stands in for systemd here: it listens at the
// unit's path and starts the program with the socket and LISTEN_* variables as systemd does.
#include "tests/support/OfficeTestSupport.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <regex>
#include <string>
#include <thread>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zarta::test;
namespace fs = std::filesystem;

namespace {

const char* const activator = "/usr/bin/systemd-socket-activate";

TEST(SocketActivation, TheUnitFilesPassSystemdsChecks) {
    TempDir runtime;
    ::chmod(runtime.path().c_str(), 0700);
    // The service unit as installed, beside the socket unit it belongs to; it starts the built
    // program, since systemd checks that the program is there.
    TempDir units;
    const std::string unit = std::regex_replace(TempDir::read(ZARTA_SERVICE_UNIT),
                                                std::regex("ExecStart=[^\n]*/zarta-service"),
                                                "ExecStart=" ZARTA_SERVICE);
    ASSERT_NE(unit.find("ExecStart=" ZARTA_SERVICE), std::string::npos) << unit;
    TempDir::write(units.file("zarta-service.service"), unit);
    fs::copy_file(ZARTA_SOCKET_UNIT, units.file("zarta-service.socket"));
    const ShellRun verified = runShell(
        "cd '" + units.path().string() + "' && XDG_RUNTIME_DIR='" + runtime.path().string() +
        "' systemd-analyze verify --user ./zarta-service.socket ./zarta-service.service "
        "2>&1");
    EXPECT_EQ(verified.status, 0) << verified.output;
    EXPECT_EQ(verified.output, "");
}

TEST(SocketActivation, AServiceGivenItsSocketServesTheFirstClient) {
    if (::access(activator, X_OK) != 0) {
        GTEST_SKIP() << activator << " is not installed";
    }
    TempDir runtime;
    ::chmod(runtime.path().c_str(), 0700);
    TempDir out;
    const std::string folder = runtime.file("ZartaWordToPDF-service");
    fs::create_directory(folder);
    ::chmod(folder.c_str(), 0700);
    const std::string socket = folder + "/service.socket";
    const std::string environment = "XDG_RUNTIME_DIR='" + runtime.path().string() +
                                    "' XDG_DATA_HOME='" + ZARTA_TEST_DATA_HOME + "' ";

    const pid_t service = ::fork();
    if (service == 0) {
        ::setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
        ::setenv("XDG_DATA_HOME", ZARTA_TEST_DATA_HOME, 1);
        ::execl(activator, activator, "--listen", socket.c_str(), "-E", "XDG_RUNTIME_DIR", "-E",
                "XDG_DATA_HOME", ZARTA_SERVICE, "--idle-exit", "60", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ASSERT_GT(service, 0);
    for (int i = 0; i < 100 && !fs::exists(socket); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(fs::exists(socket));

    // A client told to start its services with a program that cannot run must find the one
    // systemd started.
    const ShellRun converted =
        runShell(environment + "ZARTA_SERVICE_PROGRAM=/nonexistent '" ZARTA_CONVERT "' --out '" +
                 out.path().string() + "' '" ZARTA_SAMPLES_DIR "/welcome.docx' </dev/null 2>&1");
    EXPECT_EQ(converted.status, 0) << converted.output;
    EXPECT_TRUE(fs::exists(out.file("welcome.pdf"))) << converted.output;

    // The activator starts the service in its own process: the service's process is it.
    const ShellRun status =
        runShell(environment + "'" ZARTA_CONVERT "' --service-status 2>&1 </dev/null");
    EXPECT_NE(status.output.find("running (process " + std::to_string(service) + ","),
              std::string::npos)
        << status.output;
    EXPECT_NE(status.output.find("documents converted: 1"), std::string::npos) << status.output;

    ::kill(service, SIGTERM);
    int ended = 0;
    ASSERT_EQ(::waitpid(service, &ended, 0), service);
    EXPECT_TRUE(WIFEXITED(ended)) << ended;
}

} // namespace
