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
// A call may also be watched while it runs: a check armed with it is run on the watchdog's
// thread every checkPeriod, and the action runs as soon as the check says so (a call that makes
// the office grab memory without bound need not wait for the deadline).
//
// One call is guarded at a time. arm() and the Guard are used on the worker thread; the
// action and the check run on the watchdog's thread and must be quick and must not block.
class OfficeWatchdog {
public:
    // Disarms itself when destroyed; fired() says whether the action ran for this guard at its
    // deadline, exceeded() whether it ran because the check said so.
    class Guard {
    public:
        Guard(OfficeWatchdog& watchdog, std::uint64_t id) : watchdog_(&watchdog), id_(id) {}
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;
        ~Guard();
        bool fired() const;
        bool exceeded() const;

    private:
        OfficeWatchdog* watchdog_;
        std::uint64_t id_;
    };

    OfficeWatchdog();
    OfficeWatchdog(const OfficeWatchdog&) = delete;
    OfficeWatchdog& operator=(const OfficeWatchdog&) = delete;
    ~OfficeWatchdog();

    static constexpr std::chrono::milliseconds checkPeriod{200};

    [[nodiscard]] Guard arm(std::chrono::steady_clock::duration timeout,
                            std::function<void()> action, std::function<bool()> check = {});

private:
    void run();

    std::mutex mutex_;
    std::condition_variable changed_;
    bool stopping_ = false;
    std::uint64_t armedId_ = 0; // 0: nothing armed
    std::uint64_t nextId_ = 1;
    std::uint64_t firedId_ = 0;
    std::uint64_t exceededId_ = 0;
    std::chrono::steady_clock::time_point deadline_;
    std::function<void()> action_;
    std::function<bool()> check_;
    std::thread thread_;
};

} // namespace zarta
