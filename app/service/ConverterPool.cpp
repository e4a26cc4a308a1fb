#include "app/service/ConverterPool.h"

#include "engine/BatchAbandoned.h"
#include "engine/BatchControl.h"

#include <algorithm>

namespace zarta {

ConverterPool::ConverterPool(int count) : busy_(static_cast<std::size_t>(std::max(count, 1))) {}

void ConverterPool::grant() {
    for (std::size_t converter = 0; converter < busy_.size(); ++converter) {
        if (busy_[converter]) {
            continue;
        }
        Waiter* next = nullptr;
        std::uint64_t nextServed = 0;
        for (Waiter* waiter : waiters_) {
            if (waiter->granted >= 0) {
                continue;
            }
            const auto served = lastServed_.find(waiter->client);
            const std::uint64_t turn = served == lastServed_.end() ? 0 : served->second;
            // Waiters are in arrival order, so the first with the oldest turn wins ties.
            if (next == nullptr || turn < nextServed) {
                next = waiter;
                nextServed = turn;
            }
        }
        if (next == nullptr) {
            return;
        }
        busy_[converter] = true;
        next->granted = static_cast<int>(converter);
        lastServed_[next->client] = ++turns_;
    }
}

int ConverterPool::acquire(std::uint64_t client, BatchControl& control) {
    control.checkpoint();
    // Registered before the lock is taken, so that it is also unregistered after the lock is
    // given up: abandon() takes the lock to wake the wait.
    const auto wake = control.onAbandon([this] {
        std::lock_guard inner(mutex_);
        changed_.notify_all();
    });
    Waiter self{client, 0};
    std::unique_lock lock(mutex_);
    self.arrival = ++arrivals_;
    waiters_.push_back(&self);
    grant();
    changed_.wait(lock, [&] { return self.granted >= 0 || control.isAbandoned(); });
    waiters_.erase(std::find(waiters_.begin(), waiters_.end(), &self));
    if (control.isAbandoned()) {
        if (self.granted >= 0) {
            busy_[static_cast<std::size_t>(self.granted)] = false;
            grant();
            changed_.notify_all();
        }
        throw BatchAbandoned();
    }
    return self.granted;
}

void ConverterPool::release(int converter) {
    std::lock_guard lock(mutex_);
    busy_[static_cast<std::size_t>(converter)] = false;
    grant();
    changed_.notify_all();
}

int ConverterPool::waiting() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(waiters_.size());
}

int ConverterPool::inUse() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count(busy_.begin(), busy_.end(), true));
}

} // namespace zarta
