#include "InterruptWatcher.h"

#include "BatchControl.h"

#include <pthread.h>

namespace zarta {

namespace {

// Sent to the waiting thread by the destructor to end it.
constexpr int stopSignal = SIGUSR1;

sigset_t watchedSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, stopSignal);
    return set;
}

} // namespace

InterruptWatcher::InterruptWatcher(BatchControl& control) {
    const sigset_t set = watchedSignals();
    ::pthread_sigmask(SIG_BLOCK, &set, &previous_);
    waiter_ = std::thread([this, &control, set] {
        int signal = 0;
        while (::sigwait(&set, &signal) == 0) {
            if (signal == stopSignal) {
                return;
            }
            interrupted_ = true;
            control.abandon();
        }
    });
}

InterruptWatcher::~InterruptWatcher() {
    ::pthread_kill(waiter_.native_handle(), stopSignal);
    waiter_.join();
    ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

} // namespace zarta
