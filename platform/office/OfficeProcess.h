#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace zarta {

// One office process, started in a process group of its own so that it can be ended with
// everything it started.
//
// The child gets standard input from /dev/null, its output in a log file, a private umask
// (0077: the pipe and files it creates are the user's alone), none of the caller's other open
// files, no blocked signals and SIGPIPE's default action, and the caller's environment with
// TMPDIR replaced by the given folder.
//
// Owned by one thread (the batch worker), except kill(), which any thread may call at any time
// (a watchdog, the abandon action): it only sends a signal and never signals a process group
// that has already been reaped. The destructor kills and reaps the process if still there.
class OfficeProcess {
public:
    // Starts arguments[0] (an absolute path). Throws std::runtime_error when it cannot start.
    OfficeProcess(const std::vector<std::string>& arguments, const std::string& logFile,
                  const std::string& temporaryFolder);
    OfficeProcess(const OfficeProcess&) = delete;
    OfficeProcess& operator=(const OfficeProcess&) = delete;
    ~OfficeProcess();

    pid_t pid() const { return pid_; }

    // The exit status once the process has ended (reaping it), or nothing while it runs.
    // A process ended by a signal reports 128 + the signal number.
    std::optional<int> exitStatus();

    // Sends SIGKILL to the whole process group. Thread-safe, quick, never blocks.
    void kill();

    // Waits up to timeout for the process to end on its own, then kills it; reaps it either way.
    // Returns the exit status.
    int waitOrKill(std::chrono::milliseconds timeout);

    // Resident memory of the process in bytes (0 once it has ended).
    std::uint64_t residentBytes() const;

private:
    // Reaps the process once it has ended (waiting for that when wait is true).
    void reapIfEnded(bool wait);

    pid_t pid_ = -1;
    std::optional<int> status_;
    std::mutex groupMutex_; // guards group_ between kill() and reaping
    pid_t group_ = -1;      // the group to signal; -1 once the leader has been reaped
};

} // namespace zarta
