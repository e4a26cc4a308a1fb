#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace zarta {

// Runs an action when a blocking call has not returned in time: the worker arms the watchdog
// before an office call and disarms it after; if the deadline passes first, the watchdog's own
// thread runs the armed action (which ends the office, so the blocked call returns with an
// error).
//
// One call is guarded at a time. arm() and the Guard are used on the worker thread; the
// action runs on the watchdog's thread and must be quick and must not block.
class OfficeWatchdog {
public:
    // Disarms itself when destroyed; fired() says whether the action ran for this guard.
    class Guard {
    public:
        Guard(OfficeWatchdog& watchdog, std::uint64_t id) : watchdog_(&watchdog), id_(id) {}
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;
        ~Guard();
        bool fired() const;

    private:
        OfficeWatchdog* watchdog_;
        std::uint64_t id_;
    };

    OfficeWatchdog();
    OfficeWatchdog(const OfficeWatchdog&) = delete;
    OfficeWatchdog& operator=(const OfficeWatchdog&) = delete;
    ~OfficeWatchdog();

    [[nodiscard]] Guard arm(std::chrono::steady_clock::duration timeout,
                            std::function<void()> action);

private:
    void run();

    std::mutex mutex_;
    std::condition_variable changed_;
    bool stopping_ = false;
    std::uint64_t armedId_ = 0; // 0: nothing armed
    std::uint64_t nextId_ = 1;
    std::uint64_t firedId_ = 0;
    std::chrono::steady_clock::time_point deadline_;
    std::function<void()> action_;
    std::thread thread_;
};

} // namespace zarta
