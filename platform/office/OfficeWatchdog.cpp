#include "OfficeWatchdog.h"

namespace zarta {

OfficeWatchdog::Guard::~Guard() {
    std::lock_guard lock(watchdog_->mutex_);
    if (watchdog_->armedId_ == id_) {
        watchdog_->armedId_ = 0;
        watchdog_->action_ = nullptr;
    }
}

bool OfficeWatchdog::Guard::fired() const {
    std::lock_guard lock(watchdog_->mutex_);
    return watchdog_->firedId_ == id_;
}

OfficeWatchdog::OfficeWatchdog() : thread_([this] { run(); }) {}

OfficeWatchdog::~OfficeWatchdog() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

OfficeWatchdog::Guard OfficeWatchdog::arm(std::chrono::steady_clock::duration timeout,
                                          std::function<void()> action) {
    std::uint64_t id = 0;
    {
        std::lock_guard lock(mutex_);
        id = nextId_++;
        armedId_ = id;
        deadline_ = std::chrono::steady_clock::now() + timeout;
        action_ = std::move(action);
    }
    changed_.notify_all();
    return Guard(*this, id);
}

void OfficeWatchdog::run() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (armedId_ == 0) {
            changed_.wait(lock);
            continue;
        }
        const std::uint64_t id = armedId_;
        if (changed_.wait_until(lock, deadline_) == std::cv_status::timeout && armedId_ == id &&
            std::chrono::steady_clock::now() >= deadline_) {
            auto action = std::move(action_);
            armedId_ = 0;
            firedId_ = id;
            // The action only sends a signal; running it under the lock keeps a guard from
            // being released (and its office reaped) while the signal goes out.
            action();
        }
    }
}

} // namespace zarta
