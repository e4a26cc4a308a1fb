#include "platform/office/OfficeWatchdog.h"

#include <algorithm>

namespace zarta {

OfficeWatchdog::Guard::~Guard() {
    std::lock_guard lock(watchdog_->mutex_);
    if (watchdog_->armedId_ == id_) {
        watchdog_->armedId_ = 0;
        watchdog_->action_ = nullptr;
        watchdog_->check_ = nullptr;
    }
}

bool OfficeWatchdog::Guard::fired() const {
    std::lock_guard lock(watchdog_->mutex_);
    return watchdog_->firedId_ == id_;
}

bool OfficeWatchdog::Guard::exceeded() const {
    std::lock_guard lock(watchdog_->mutex_);
    return watchdog_->exceededId_ == id_;
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
                                          std::function<void()> action,
                                          std::function<bool()> check) {
    std::uint64_t id = 0;
    {
        std::lock_guard lock(mutex_);
        id = nextId_++;
        armedId_ = id;
        deadline_ = std::chrono::steady_clock::now() + timeout;
        action_ = std::move(action);
        check_ = std::move(check);
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
        const auto wakeUp =
            check_ ? std::min(deadline_, std::chrono::steady_clock::now() + checkPeriod)
                   : deadline_;
        if (changed_.wait_until(lock, wakeUp) != std::cv_status::timeout || armedId_ != id) {
            continue;
        }
        const bool late = std::chrono::steady_clock::now() >= deadline_;
        // The check runs under the lock, so the guard (and what the check looks at) cannot be
        // released meanwhile.
        if (!late && !(check_ && check_())) {
            continue;
        }
        auto action = std::move(action_);
        armedId_ = 0;
        check_ = nullptr;
        (late ? firedId_ : exceededId_) = id;
        // The action only sends a signal; running it under the lock keeps a guard from being
        // released (and its office reaped) while the signal goes out.
        action();
    }
}

} // namespace zarta
