#include "platform/process/PosixProcessSession.h"

#include "engine/BatchAbandoned.h"
#include "engine/BatchControl.h"
#include "platform/process/PosixProcessRunner.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <sstream>
#include <thread>

using namespace zarta;
using namespace std::chrono_literals;

namespace {

// Answers each line it reads with "<line> seen" after an output line of its own; "exit N" and
// "hang" do what they say.
const std::string echoScript = "while read -r line; do"
                               "  case \"$line\" in"
                               "    exit*) echo bye >&2; exit ${line#exit };;"
                               "    hang) sleep 60 & wait;;"
                               "  esac;"
                               "  echo \"working on $line\"; echo \"$line\" >&2;"
                               "  echo \"MARK:$line seen\";"
                               "done";

std::unique_ptr<PosixProcessSession> startEcho(std::chrono::milliseconds grace = 2s) {
    return std::make_unique<PosixProcessSession>(
        std::vector<std::string>{"/bin/sh", "-c", echoScript}, ProcessRunner::Settings{}, grace);
}

// Whether every process of the group has ended (orphans that a container's first process never
// reaps stay as zombies and count as ended).
bool groupIsGone(pid_t group) {
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::ifstream in(entry.path() / "stat");
        const std::string stat((std::istreambuf_iterator<char>(in)), {});
        const auto nameEnd = stat.rfind(')');
        if (nameEnd == std::string::npos) {
            continue;
        }
        std::istringstream fields(stat.substr(nameEnd + 2));
        char state = 0;
        pid_t parent = 0;
        pid_t processGroup = 0;
        if (fields >> state >> parent >> processGroup && processGroup == group && state != 'Z') {
            return false;
        }
    }
    return true;
}

TEST(PosixProcessSession, EachJobsOutputEndsAtItsMarkerLine) {
    BatchControl control;
    auto session = startEcho();
    // Jobs handed over from different threads, as the batch's second thread changes per file.
    for (const std::string job : {"one", "two"}) {
        auto reply = std::async(std::launch::async, [&] {
                         EXPECT_TRUE(session->send(job + "\n"));
                         return session->waitFor("MARK:", 5s, control);
                     }).get();
        EXPECT_TRUE(reply.marked);
        EXPECT_FALSE(reply.ended);
        EXPECT_EQ(reply.markLine, job + " seen");
        EXPECT_EQ(reply.output, "working on " + job + "\n");
        EXPECT_EQ(reply.errorOutput, job + "\n");
    }
    EXPECT_TRUE(session->alive());
}

TEST(PosixProcessSession, AChildThatEndsIsReportedWithItsStatusAndTakesNoMore) {
    BatchControl control;
    auto session = startEcho();
    ASSERT_TRUE(session->send("exit 3\n"));
    const auto reply = session->waitFor("MARK:", 5s, control);
    EXPECT_FALSE(reply.marked);
    EXPECT_TRUE(reply.ended);
    EXPECT_EQ(reply.exitStatus, 3);
    EXPECT_EQ(reply.errorOutput, "bye\n");
    EXPECT_FALSE(session->alive());
    EXPECT_FALSE(session->send("one\n"));
}

TEST(PosixProcessSession, TimeLimitAbandonAndDestructionEndTheWholeGroup) {
    enum class End { TimeLimit, Abandon, Destroy };
    for (const End end : {End::TimeLimit, End::Abandon, End::Destroy}) {
        BatchControl control;
        auto session = startEcho(200ms);
        const pid_t pid = session->pid();
        ASSERT_TRUE(session->send("hang\n"));
        const auto started = std::chrono::steady_clock::now();
        if (end == End::TimeLimit) {
            const auto reply = session->waitFor("MARK:", 300ms, control);
            EXPECT_TRUE(reply.timedOut);
            EXPECT_TRUE(reply.ended);
            EXPECT_FALSE(session->alive());
        } else if (end == End::Abandon) {
            auto waiting =
                std::async(std::launch::async, [&] { session->waitFor("MARK:", 60s, control); });
            std::this_thread::sleep_for(200ms);
            control.abandon();
            EXPECT_THROW(waiting.get(), BatchAbandoned);
        } else {
            std::this_thread::sleep_for(200ms);
            session.reset();
        }
        EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
        session.reset();
        // The sleep the shell started went with it: nothing of the group is left.
        EXPECT_TRUE(groupIsGone(pid));
    }
}

TEST(PosixProcessSession, AMissingProgramIsAStartError) {
    EXPECT_THROW(PosixProcessSession({"/nonexistent/program"}, {}, 1s), ProcessRunner::StartError);
}

} // namespace
