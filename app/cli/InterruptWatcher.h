#pragma once

#include <atomic>
#include <csignal>
#include <thread>

namespace zarta {

class BatchControl;

// Turns Ctrl-C (SIGINT) and SIGTERM into abandoning the batch, so that an interrupted run ends
// its office and Ghostscript and removes its intermediate files before the program exits.
//
// The constructor blocks the two signals in the calling thread (and so in every thread started
// after it) and waits for them on a thread of its own; the destructor stops that thread and
// restores the signal mask. Construct it on the main thread before any other thread starts.
class InterruptWatcher {
public:
    explicit InterruptWatcher(BatchControl& control);
    InterruptWatcher(const InterruptWatcher&) = delete;
    InterruptWatcher& operator=(const InterruptWatcher&) = delete;
    ~InterruptWatcher();

    bool interrupted() const { return interrupted_; }

private:
    sigset_t previous_{};
    std::atomic<bool> interrupted_{false};
    std::thread waiter_;
};

} // namespace zarta
