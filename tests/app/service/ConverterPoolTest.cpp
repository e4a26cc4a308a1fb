// The service's converters are shared between clients file by file, in turns.
#include "app/service/ConverterPool.h"
#include "engine/BatchAbandoned.h"
#include "engine/BatchControl.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

using namespace zarta;

namespace {

// Clients queue files on a pool of one converter that client 1 holds; the order in which the
// queued files get the converter once it is released one file at a time.
std::vector<int> orderServed(const std::vector<int>& queuedClients) {
    ConverterPool pool(1);
    BatchControl control;
    const int held = pool.acquire(1, control);
    std::mutex mutex;
    std::vector<int> served;
    std::vector<std::thread> files;
    for (const int client : queuedClients) {
        const int before = pool.waiting();
        files.emplace_back([&, client] {
            const int converter = pool.acquire(static_cast<std::uint64_t>(client), control);
            {
                std::lock_guard lock(mutex);
                served.push_back(client);
            }
            pool.release(converter);
        });
        // Queued in this order.
        while (pool.waiting() == before) {
            std::this_thread::yield();
        }
    }
    pool.release(held);
    for (auto& file : files) {
        file.join();
    }
    return served;
}

} // namespace

TEST(ConverterPool, ClientsTakeTurnsFileByFile) {
    struct Case {
        const char* name;
        std::vector<int> queued;
        std::vector<int> served;
    };
    const std::vector<Case> cases{
        // Client 1 just had the converter: the single file of client 2 goes before its batch.
        {"one file beside a batch", {1, 1, 1, 2}, {2, 1, 1, 1}},
        {"two batches alternate", {1, 1, 2, 2, 3}, {2, 3, 1, 2, 1}},
        {"one client in its own order", {1, 1, 1}, {1, 1, 1}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(orderServed(c.queued), c.served) << c.name;
    }
}

TEST(ConverterPool, EveryConverterIsUsedAndNoneTwice) {
    ConverterPool pool(3);
    BatchControl control;
    std::vector<int> held;
    for (int i = 0; i < 3; ++i) {
        held.push_back(pool.acquire(static_cast<std::uint64_t>(i % 2), control));
    }
    std::sort(held.begin(), held.end());
    EXPECT_EQ(held, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(pool.inUse(), 3);
    pool.release(1);
    EXPECT_EQ(pool.acquire(7, control), 1);
}

TEST(ConverterPool, AWaitingFileLeavesWhenItsRequestIsAbandoned) {
    ConverterPool pool(1);
    BatchControl holder;
    BatchControl waiter;
    const int held = pool.acquire(1, holder);
    std::atomic<bool> abandoned{false};
    std::thread file([&] {
        try {
            pool.acquire(2, waiter);
        } catch (const BatchAbandoned&) {
            abandoned = true;
        }
    });
    while (pool.waiting() == 0) {
        std::this_thread::yield();
    }
    waiter.abandon();
    file.join();
    EXPECT_TRUE(abandoned);
    EXPECT_EQ(pool.waiting(), 0);
    // The converter was not taken by the abandoned file.
    pool.release(held);
    BatchControl next;
    EXPECT_EQ(pool.acquire(3, next), 0);
    EXPECT_THROW(pool.acquire(3, waiter), BatchAbandoned);
}
