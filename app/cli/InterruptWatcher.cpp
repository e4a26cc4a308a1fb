#include "app/cli/InterruptWatcher.h"

#include "engine/BatchControl.h"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

namespace zarta {

namespace {

// Sent to the waiting thread by the destructor to end it.
constexpr int stopSignal = SIGUSR1;

sigset_t watchedSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGQUIT);
    sigaddset(&set, SIGHUP);
    sigaddset(&set, stopSignal);
    return set;
}

} // namespace

InterruptWatcher::InterruptWatcher(BatchControl& control) {
    if (::pipe2(wake_, O_CLOEXEC) != 0) {
        wake_[0] = wake_[1] = -1;
    }
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
            if (wake_[1] >= 0) {
                // One byte, never read, keeps the read end readable for every later question.
                [[maybe_unused]] const auto written = ::write(wake_[1], "x", 1);
                ::close(wake_[1]);
                wake_[1] = -1;
            }
        }
    });
}

InterruptWatcher::~InterruptWatcher() {
    ::pthread_kill(waiter_.native_handle(), stopSignal);
    waiter_.join();
    ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
    for (const int fd : wake_) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

} // namespace zarta
