#pragma once

#include "ProcessRunner.h"

#include <chrono>

namespace zarta {

// Runs child programs with posix_spawn.
//
// The child starts in a process group of its own, with standard input from /dev/null, its
// standard output and error on pipes, every other file descriptor closed, default signal
// dispositions and an empty signal mask. run() drains both pipes while it waits (keeping the
// last 64 KiB of each), so a talkative child never blocks on a full pipe.
//
// When the batch is abandoned, the whole process group gets SIGTERM at once (from the thread
// that abandons), and SIGKILL when it has not ended within the grace period; run() then reaps
// the child and throws BatchAbandoned. A batch on hold does not pause the child.
//
// Thread-safe: each run() is independent; several may run at once on different threads.
class PosixProcessRunner : public ProcessRunner {
public:
    explicit PosixProcessRunner(std::chrono::milliseconds killGrace = std::chrono::seconds(2));

    Result run(const std::vector<std::string>& arguments, const Environment& environment,
               BatchControl& control) override;

    // How much of each output stream run() keeps.
    static constexpr std::size_t tailLimit = 64 * 1024;

private:
    std::chrono::milliseconds killGrace_;
};

} // namespace zarta
