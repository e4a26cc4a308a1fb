#include "platform/office/OfficeWatchdog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using zarta::OfficeWatchdog;
using namespace std::chrono_literals;

namespace {

// Waits (boundedly) until the action has run.
bool ran(const std::atomic<int>& actions) {
    for (int i = 0; i < 500 && actions == 0; ++i) {
        std::this_thread::sleep_for(10ms);
    }
    return actions > 0;
}

TEST(OfficeWatchdogTest, ACheckThatTripsRunsTheActionBeforeTheDeadline) {
    OfficeWatchdog watchdog;
    std::atomic<int> actions{0};
    std::atomic<int> checks{0};
    auto guard = watchdog.arm(
        1h, [&] { ++actions; }, [&] { return ++checks >= 3; });
    ASSERT_TRUE(ran(actions));
    EXPECT_TRUE(guard.exceeded());
    EXPECT_FALSE(guard.fired());
    EXPECT_EQ(checks, 3);
}

TEST(OfficeWatchdogTest, ACheckThatHoldsLeavesTheDeadlineInCharge) {
    OfficeWatchdog watchdog;
    std::atomic<int> actions{0};
    std::atomic<int> checks{0};
    {
        auto guard = watchdog.arm(
            1h, [&] { ++actions; },
            [&] {
                ++checks;
                return false;
            });
        while (checks < 2) {
            std::this_thread::sleep_for(10ms);
        }
    }
    auto late = watchdog.arm(
        50ms, [&] { ++actions; }, [] { return false; });
    ASSERT_TRUE(ran(actions));
    EXPECT_TRUE(late.fired());
    EXPECT_FALSE(late.exceeded());
    EXPECT_EQ(actions, 1);
}

} // namespace
