#include "app/service/SlotThread.h"

#include <utility>

namespace zarta {

SlotThread::SlotThread() {
    thread_ = std::thread([this] {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return task_ != nullptr || ending_; });
            if (task_ == nullptr) {
                return;
            }
            const std::function<void()>& task = *task_;
            lock.unlock();
            std::exception_ptr failure;
            try {
                task();
            } catch (...) {
                failure = std::current_exception();
            }
            lock.lock();
            failure_ = failure;
            task_ = nullptr;
            done_ = true;
            changed_.notify_all();
        }
    });
}

SlotThread::~SlotThread() {
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
        changed_.notify_all();
    }
    thread_.join();
}

void SlotThread::run(const std::function<void()>& task) {
    std::lock_guard caller(callers_);
    std::unique_lock lock(mutex_);
    task_ = &task;
    done_ = false;
    changed_.notify_all();
    changed_.wait(lock, [this] { return done_; });
    if (failure_) {
        std::rethrow_exception(std::exchange(failure_, nullptr));
    }
}

} // namespace zarta
