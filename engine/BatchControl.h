#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>

namespace zarta {

// Lets the user-interface thread hold, resume and abandon a running batch without ever waiting
// for the worker.
//
// The user-interface side calls hold(), resume() and abandon(); none of them blocks. The worker
// calls checkpoint() and sleepFor() only at safe points, where it holds nothing the
// user-interface thread needs: before a file, between stages, and while it waits on printing or
// on a child process. There it stays while the batch is held, and it throws BatchAbandoned once
// the batch is abandoned.
//
// Work that blocks for long (a child process, an office call) registers an abandon action with
// onAbandon(); abandon() runs the registered actions at once on the calling thread, so they must
// be quick and must not block (sending a signal is fine).
//
// Shared between the two threads; every member is thread-safe. Abandoning is final.
class BatchControl {
public:
    using Clock = std::chrono::steady_clock;

    // Keeps an abandon action registered for its own lifetime (RAII).
    class Registration {
    public:
        Registration() = default;
        Registration(BatchControl* control, std::uint64_t id) : control_(control), id_(id) {}
        Registration(Registration&& other) noexcept;
        Registration& operator=(Registration&& other) noexcept;
        Registration(const Registration&) = delete;
        Registration& operator=(const Registration&) = delete;
        // Unregisters the action; when abandon() is running it right now, waits until it ends.
        ~Registration();

    private:
        void release();
        BatchControl* control_ = nullptr;
        std::uint64_t id_ = 0;
    };

    // User-interface side.
    void hold();
    void resume();
    void abandon();

    bool isHeld() const;
    bool isAbandoned() const;

    // Worker side: returns at once when the batch runs, blocks while it is held, and throws
    // BatchAbandoned when it has been abandoned (also when that happens while blocked).
    void checkpoint();

    // Worker side: waits for the given time, a safe point throughout. Holding extends the wait
    // until resume(); abandoning ends it at once with BatchAbandoned.
    void sleepFor(Clock::duration duration);

    // Registers an action run once by abandon(). When the batch is already abandoned the
    // action runs at once, on the calling thread.
    [[nodiscard]] Registration onAbandon(std::function<void()> action);

private:
    void unregister(std::uint64_t id);

    mutable std::mutex mutex_;
    std::mutex runningActions_; // held by abandon() while it runs the actions
    std::condition_variable changed_;
    bool held_ = false;
    bool abandoned_ = false;
    std::uint64_t nextId_ = 1;
    std::map<std::uint64_t, std::function<void()>> actions_;
};

} // namespace zarta
