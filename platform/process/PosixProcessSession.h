#pragma once

#include "engine/FileDescriptor.h"
#include "engine/ProcessRunner.h"
#include "engine/ProcessSession.h"
#include "platform/process/ChildProcess.h"

#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace zarta {

// A child program kept running (see ProcessSession), started with fork and exec as
// PosixProcessRunner starts its children: a process group of its own, the environment the
// settings give, no other open files of this process, killed by the kernel when this process
// dies.
//
// The child's standard input is one end of a socket pair, so that writing to a child that has
// ended fails with an error instead of raising SIGPIPE. Its standard output and error are pipes,
// read only inside waitFor() (up to the marker; anything after it stays for the next wait; of
// standard error the last 64 KiB are kept).
//
// The kernel's death signal follows the thread that forked, so the child is started, waited for
// and reaped by a thread of the session's own, which lives exactly as long as the child: the
// threads that send and wait may come and go. Abandoning the batch, or the time limit passing,
// sends SIGTERM to the group and SIGKILL when the grace period has passed; the destructor sends
// SIGKILL at once and returns once the child is reaped.
class PosixProcessSession : public ProcessSession {
public:
    // Throws ProcessRunner::StartError when the child cannot be started.
    PosixProcessSession(const std::vector<std::string>& arguments,
                        const ProcessRunner::Settings& settings,
                        std::chrono::milliseconds killGrace);
    PosixProcessSession(const PosixProcessSession&) = delete;
    PosixProcessSession& operator=(const PosixProcessSession&) = delete;
    ~PosixProcessSession() override;

    bool send(const std::string& text) override;
    Reply waitFor(const std::string& marker, std::chrono::milliseconds timeLimit,
                  BatchControl& control) override;
    bool alive() const override { return !ended_; }

    pid_t pid() const { return child_ ? child_->pid() : -1; }

private:
    // Reads what the pipes hold now; closes a pipe at its end of file.
    void drain();
    // Waits for the owning thread to reap the child, and records how it ended.
    void collectEnd(Reply& reply);

    std::chrono::milliseconds killGrace_;
    FileDescriptor input_;
    FileDescriptor output_;
    FileDescriptor error_;
    std::string pendingOutput_;
    std::string pendingError_;
    std::optional<ChildProcess> child_; // made, reaped and kept by owner_
    std::optional<int> status_;         // written by owner_ before it ends
    std::thread owner_;
    std::atomic<bool> ended_{false};
};

} // namespace zarta
