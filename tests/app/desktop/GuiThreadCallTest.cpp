#include "GuiThreadCall.h"
#include "BatchControl.h"

#include <QObject>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

using zarta::BatchAbandoned;
using zarta::BatchControl;
using zarta::desktop::GuiThreadCall;

namespace {

// A worker thread that makes calls through the link while the test runs the event loop.
struct Worker {
    template <class Body>
    explicit Worker(Body body)
        : thread([this, body] {
              try {
                  body();
                  outcome = "done";
              } catch (const BatchAbandoned&) {
                  outcome = "abandoned";
              } catch (const std::exception& error) {
                  outcome = error.what();
              }
              ended = true;
          }) {}
    ~Worker() { thread.join(); }
    bool waitEnded() {
        return QTest::qWaitFor([this] { return ended.load(); }, 5000);
    }
    std::string outcome;
    std::atomic<bool> ended{false};
    std::thread thread;
};

class GuiThreadCallTest : public testing::Test {
protected:
    QObject context;
    BatchControl control;
    std::unique_ptr<GuiThreadCall> link = std::make_unique<GuiThreadCall>(&context, control);
    std::vector<int> ran; // touched on this thread only
};

} // namespace

TEST_F(GuiThreadCallTest, RunsOnTheContextThreadAndHandsBackResultsAndErrors) {
    int result = 0;
    Worker worker([&] {
        result = link->run([&] {
            EXPECT_EQ(QThread::currentThread(), context.thread());
            return 42;
        });
        link->run([]() -> int { throw std::runtime_error("from the page"); });
    });
    ASSERT_TRUE(worker.waitEnded());
    EXPECT_EQ(result, 42);
    EXPECT_EQ(worker.outcome, "from the page");
}

TEST_F(GuiThreadCallTest, HeldCallsRunInOrderAfterRelease) {
    link->holdCalls();
    Worker worker([&] {
        link->post([&] { ran.push_back(1); });
        link->run([&] { ran.push_back(2); });
        link->run([&] { ran.push_back(3); });
    });
    QTest::qWait(100);
    EXPECT_TRUE(ran.empty());
    EXPECT_FALSE(worker.ended);
    link->releaseCalls();
    EXPECT_TRUE(ran.empty()) << "released calls run from the event loop";
    ASSERT_TRUE(worker.waitEnded());
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
}

TEST_F(GuiThreadCallTest, AbandoningOrDetachingEndsWaitingCallsUnrun) {
    for (const bool detach : {false, true}) {
        BatchControl control;
        GuiThreadCall link(&context, control);
        link.holdCalls();
        Worker worker([&] { link.run([&] { ran.push_back(1); }); });
        QTest::qWait(50);
        if (detach) {
            link.detach();
        } else {
            control.abandon();
            link.releaseCalls();
        }
        ASSERT_TRUE(worker.waitEnded());
        EXPECT_EQ(worker.outcome, "abandoned");
        link.post([&] { ran.push_back(2); });
        QTest::qWait(20);
        EXPECT_TRUE(ran.empty());
    }
}
