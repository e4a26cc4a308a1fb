#include "app/ui/GuiThreadCall.h"
#include "engine/BatchControl.h"

#include <QObject>
#include <QTest>

#include <gtest/gtest.h>

#include <future>
#include <stdexcept>
#include <vector>

using zarta::BatchAbandoned;
using zarta::BatchControl;
using zarta::ui::GuiThreadCall;

namespace {

// Runs the calls on a worker thread while this thread runs its event loop.
template <class Body>
std::future<void> onWorker(Body body) {
    return std::async(std::launch::async, body);
}

bool ended(const std::future<void>& worker) {
    return QTest::qWaitFor(
        [&] { return worker.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
        5000);
}

class GuiThreadCallTest : public testing::Test {
protected:
    QObject context;
    BatchControl control;
    GuiThreadCall link{&context, control};
    std::vector<int> ran; // touched on this thread only
};

} // namespace

TEST_F(GuiThreadCallTest, RunsOnTheContextThreadAndHandsBackResultsAndErrors) {
    auto worker = onWorker([&] {
        EXPECT_EQ(link.run([&] {
            EXPECT_EQ(QThread::currentThread(), context.thread());
            return 42;
        }),
                  42);
        link.run([]() -> int { throw std::runtime_error("from the page"); });
    });
    ASSERT_TRUE(ended(worker));
    EXPECT_THROW(worker.get(), std::runtime_error);
}

TEST_F(GuiThreadCallTest, HeldCallsRunInOrderAfterRelease) {
    link.holdCalls();
    auto worker = onWorker([&] {
        link.post([&] { ran.push_back(1); });
        link.run([&] { ran.push_back(2); });
        link.run([&] { ran.push_back(3); });
    });
    QTest::qWait(100);
    EXPECT_TRUE(ran.empty());
    link.releaseCalls();
    EXPECT_TRUE(ran.empty()) << "released calls run from the event loop";
    ASSERT_TRUE(ended(worker));
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
}

TEST_F(GuiThreadCallTest, AbandoningOrDetachingEndsWaitingCallsUnrun) {
    for (const bool detach : {false, true}) {
        BatchControl ownControl;
        GuiThreadCall ownLink(&context, ownControl);
        ownLink.holdCalls();
        auto worker = onWorker([&] { ownLink.run([&] { ran.push_back(1); }); });
        QTest::qWait(50);
        if (detach) {
            ownLink.detach();
        } else {
            ownControl.abandon();
            ownLink.releaseCalls();
        }
        ASSERT_TRUE(ended(worker));
        EXPECT_THROW(worker.get(), BatchAbandoned);
        ownLink.post([&] { ran.push_back(2); });
        QTest::qWait(20);
        EXPECT_TRUE(ran.empty());
    }
}
