#include "engine/BatchControl.h"

#include "engine/BatchAbandoned.h"

#include <utility>
#include <vector>

namespace zarta {

BatchControl::Registration::Registration(Registration&& other) noexcept
    : control_(std::exchange(other.control_, nullptr)), id_(other.id_) {}

BatchControl::Registration& BatchControl::Registration::operator=(Registration&& other) noexcept {
    if (this != &other) {
        release();
        control_ = std::exchange(other.control_, nullptr);
        id_ = other.id_;
    }
    return *this;
}

BatchControl::Registration::~Registration() {
    release();
}

void BatchControl::Registration::release() {
    if (control_ != nullptr) {
        control_->unregister(id_);
        control_ = nullptr;
    }
}

void BatchControl::hold() {
    std::lock_guard lock(mutex_);
    held_ = true;
}

void BatchControl::resume() {
    {
        std::lock_guard lock(mutex_);
        held_ = false;
    }
    changed_.notify_all();
}

void BatchControl::abandon() {
    std::lock_guard running(runningActions_);
    std::map<std::uint64_t, std::function<void()>> actions;
    {
        std::lock_guard lock(mutex_);
        if (abandoned_) {
            return;
        }
        abandoned_ = true;
        actions.swap(actions_);
    }
    changed_.notify_all();
    // Outside the lock: an action may end a child whose waiter then re-enters this object.
    for (auto& [id, action] : actions) {
        action();
    }
}

bool BatchControl::isHeld() const {
    std::lock_guard lock(mutex_);
    return held_;
}

bool BatchControl::isAbandoned() const {
    std::lock_guard lock(mutex_);
    return abandoned_;
}

void BatchControl::checkpoint() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return abandoned_ || !held_; });
    if (abandoned_) {
        throw BatchAbandoned();
    }
}

void BatchControl::sleepFor(Clock::duration duration) {
    const auto deadline = Clock::now() + duration;
    std::unique_lock lock(mutex_);
    changed_.wait_until(lock, deadline, [this] { return abandoned_; });
    // A hold that began during the sleep keeps the worker here past the deadline.
    changed_.wait(lock, [this] { return abandoned_ || !held_; });
    if (abandoned_) {
        throw BatchAbandoned();
    }
}

BatchControl::Registration BatchControl::onAbandon(std::function<void()> action) {
    {
        std::lock_guard lock(mutex_);
        if (!abandoned_) {
            const auto id = nextId_++;
            actions_.emplace(id, std::move(action));
            return Registration(this, id);
        }
    }
    action();
    return Registration();
}

void BatchControl::unregister(std::uint64_t id) {
    {
        std::lock_guard lock(mutex_);
        actions_.erase(id);
    }
    // An action already taken by abandon() may still be running; whatever it acts on (a child's
    // process id, say) must stay valid until it is done, so wait for it.
    std::lock_guard running(runningActions_);
}

} // namespace zarta
