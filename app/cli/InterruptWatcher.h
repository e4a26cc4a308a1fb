#pragma once

#include <atomic>
#include <csignal>
#include <thread>

namespace zarta {

class BatchControl;

// Turns Ctrl-C (SIGINT), SIGTERM, SIGQUIT and a closed terminal (SIGHUP) into abandoning the
// batch, so that an interrupted run ends its office and Ghostscript and removes its
// intermediate files before the program exits.
//
// The constructor blocks the signals in the calling thread (and so in every thread started
// after it) and waits for them on a thread of its own; the destructor stops that thread and
// restores the signal mask. Construct it on the main thread before any other thread starts.
//
// A question waiting on the terminal cannot see the abandoning: it also waits on wakeFd(),
// which becomes readable (and stays so) once a signal has arrived.
class InterruptWatcher {
public:
    explicit InterruptWatcher(BatchControl& control);
    InterruptWatcher(const InterruptWatcher&) = delete;
    InterruptWatcher& operator=(const InterruptWatcher&) = delete;
    ~InterruptWatcher();

    bool interrupted() const { return interrupted_; }
    int wakeFd() const { return wake_[0]; }

private:
    sigset_t previous_{};
    std::atomic<bool> interrupted_{false};
    int wake_[2] = {-1, -1};
    std::thread waiter_;
};

} // namespace zarta
