#include "engine/BatchControl.h"

#include "engine/BatchAbandoned.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

using namespace zarta;
using namespace std::chrono_literals;

TEST(BatchControl, CheckpointPassesWhileRunningAndThrowsOnceAbandoned) {
    BatchControl control;
    EXPECT_NO_THROW(control.checkpoint());
    EXPECT_NO_THROW(control.sleepFor(0ms));
    control.abandon();
    EXPECT_TRUE(control.isAbandoned());
    EXPECT_THROW(control.checkpoint(), BatchAbandoned);
    EXPECT_THROW(control.sleepFor(0ms), BatchAbandoned);
}

TEST(BatchControl, HeldCheckpointWaitsForResumeOrAbandon) {
    for (const bool abandon : {false, true}) {
        BatchControl control;
        control.hold();
        std::promise<bool> threw;
        std::thread worker([&] {
            try {
                control.checkpoint();
                threw.set_value(false);
            } catch (const BatchAbandoned&) {
                threw.set_value(true);
            }
        });
        auto result = threw.get_future();
        EXPECT_EQ(result.wait_for(50ms), std::future_status::timeout) << "held worker went on";
        abandon ? control.abandon() : control.resume();
        EXPECT_EQ(result.get(), abandon);
        worker.join();
    }
}

TEST(BatchControl, AbandonCutsASleepShort) {
    BatchControl control;
    std::promise<void> started;
    std::thread worker([&] {
        started.set_value();
        EXPECT_THROW(control.sleepFor(std::chrono::hours(1)), BatchAbandoned);
    });
    started.get_future().wait();
    control.abandon();
    worker.join();
}

TEST(BatchControl, HoldDuringASleepExtendsItUntilResume) {
    BatchControl control;
    control.hold();
    std::promise<void> done;
    std::thread worker([&] {
        control.sleepFor(1ms);
        done.set_value();
    });
    auto finished = done.get_future();
    EXPECT_EQ(finished.wait_for(50ms), std::future_status::timeout);
    control.resume();
    finished.wait();
    worker.join();
}

TEST(BatchControl, AbandonActionsRunOnceAndOnlyWhileRegistered) {
    BatchControl control;
    int kept = 0;
    int dropped = 0;
    auto keep = control.onAbandon([&] { ++kept; });
    {
        auto temporary = control.onAbandon([&] { ++dropped; });
    }
    control.abandon();
    control.abandon();
    EXPECT_EQ(kept, 1);
    EXPECT_EQ(dropped, 0);

    int late = 0;
    auto afterwards = control.onAbandon([&] { ++late; });
    EXPECT_EQ(late, 1) << "registering on an abandoned batch runs the action at once";
}

TEST(BatchControl, UnregisteringWaitsForARunningAction) {
    BatchControl control;
    std::promise<void> actionStarted;
    std::atomic<bool> actionDone{false};
    auto registration = std::make_unique<BatchControl::Registration>(control.onAbandon([&] {
        actionStarted.set_value();
        std::this_thread::sleep_for(50ms);
        actionDone = true;
    }));
    std::thread gui([&] { control.abandon(); });
    actionStarted.get_future().wait();
    registration.reset();
    EXPECT_TRUE(actionDone) << "the registration went away while its action still ran";
    gui.join();
}
