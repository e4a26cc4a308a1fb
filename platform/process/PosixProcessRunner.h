#pragma once

#include "engine/ProcessRunner.h"
#include "engine/ProcessSessionStarter.h"

#include <chrono>

namespace zarta {

// Runs child programs with fork and exec.
//
// The child starts in a process group of its own, with standard input from /dev/null (or from
// an anonymous memory file holding Settings::standardInput), its standard output and error on
// pipes, every other file descriptor closed, default signal dispositions and an empty signal
// mask. It is killed by the kernel when this process dies (PR_SET_PDEATHSIG), so a program
// that is killed leaves no child running. run() drains both pipes while it waits (keeping the
// last 64 KiB of each), so a talkative child never blocks on a full pipe.
//
// When the batch is abandoned, the whole process group gets SIGTERM at once (from the thread
// that abandons), and SIGKILL when it has not ended within the grace period; run() then reaps
// the child and throws BatchAbandoned. A child that runs past its time limit is ended the same
// way and reported as timed out. A batch on hold does not pause the child.
//
// Thread-safe: each run() is independent; several may run at once on different threads. The
// child is tied to the thread that started it (the kernel's death signal follows the thread),
// which run() blocks until the child has ended.
//
// startSession() starts a child that is kept running (PosixProcessSession) with the same
// settings and the same grace period.
class PosixProcessRunner : public ProcessRunner, public ProcessSessionStarter {
public:
    explicit PosixProcessRunner(std::chrono::milliseconds killGrace = std::chrono::seconds(2));

    Result run(const std::vector<std::string>& arguments, const Settings& settings,
               BatchControl& control) override;

    std::unique_ptr<ProcessSession> startSession(const std::vector<std::string>& arguments,
                                                 const ProcessRunner::Settings& settings) override;

    // How much of each output stream run() keeps.
    static constexpr std::size_t tailLimit = 64 * 1024;

private:
    std::chrono::milliseconds killGrace_;
};

} // namespace zarta
