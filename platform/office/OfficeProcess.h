#pragma once

#include "platform/process/ChildProcess.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace zarta {

// One office process, started in a process group of its own so that it can be ended with
// everything it started.
//
// The child (a ChildProcess) gets standard input from /dev/null, its output in a log file, a
// private umask (0077: the pipe and files it creates are the user's alone), none of the caller's
// other open files, no blocked signals and every signal's default action, and the caller's
// environment with the given entries added and TMPDIR replaced by the given folder. It is killed
// when the thread that started it ends (also when this process is killed), so it must be started on
// the thread that owns it for its life. The confinement below limits what a hostile document can
// make it do.
//
// Owned by one thread (the batch worker), except kill(), which any thread may call at any time
// (a watchdog, the abandon action): it only sends a signal and never signals a process group
// that has already been reaped. The destructor kills and reaps the process if still there.
class OfficeProcess {
public:
    // Set in the office's environment: the add-in host loads no add-ins in that office.
    static constexpr const char* noAddinsVariable = "ZARTA_NO_WORD_ADDINS";

    struct Confinement {
        // The process's address-space limit (RLIMIT_AS) in bytes; 0: none.
        std::uint64_t addressSpaceBytes = 0;
        // Runs the process in a network namespace of its own (no interfaces but a loopback that
        // is down) where the system allows it: with CAP_SYS_ADMIN, or in a user namespace of its
        // own that maps only the user's ids. Where neither is allowed it runs unconfined.
        bool isolateNetwork = false;
    };

    // Starts arguments[0] (an absolute path); environment holds "NAME=value" entries added to
    // the caller's. Throws std::runtime_error when it cannot start.
    OfficeProcess(const std::vector<std::string>& arguments,
                  const std::vector<std::string>& environment, const std::string& logFile,
                  const std::string& temporaryFolder, const Confinement& confinement);
    OfficeProcess(const OfficeProcess&) = delete;
    OfficeProcess& operator=(const OfficeProcess&) = delete;

    pid_t pid() const { return child_.pid(); }

    // Whether the process runs without network access (see Confinement).
    bool networkIsolated() const { return child_.networkIsolated(); }

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
    // Resident memory of any process in bytes (0 when there is none). Thread-safe.
    static std::uint64_t residentBytesOf(pid_t pid);

private:
    // Kills what is left of the group and reaps the process, waiting for it to end.
    void reap();

    ChildProcess child_;
    std::optional<int> status_;
};

} // namespace zarta
