#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <vector>

namespace zarta {

class BatchControl;

// Hands the service's converters (numbered 0 to count-1) to the files its clients send, one file
// per converter at a time, fairly between clients.
//
// A file that finds no converter free waits. When one is freed it goes to the waiting file of the
// client that was served longest ago (a client never served first), the earliest of that
// client's files first: so clients take turns file by file, and a client with one file waits for
// at most one file of each other client, however long their batches. A client is whoever the
// caller says (the service uses the connecting process).
//
// Thread-safe; acquire() blocks, every other member returns at once.
class ConverterPool {
public:
    explicit ConverterPool(int count);

    // A free converter for the client's next file, once it is its turn. Throws BatchAbandoned
    // when the control is abandoned while it waits (or before).
    int acquire(std::uint64_t client, BatchControl& control);
    // Gives a converter back for the next waiting file.
    void release(int converter);

    int count() const { return static_cast<int>(busy_.size()); }
    // Files waiting for a converter, and converters in use.
    int waiting() const;
    int inUse() const;

private:
    struct Waiter {
        std::uint64_t client;
        std::uint64_t arrival;
        int granted = -1;
    };

    void grant();

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<bool> busy_;
    std::deque<Waiter*> waiters_;
    std::map<std::uint64_t, std::uint64_t> lastServed_; // client -> turn it was last served
    std::uint64_t turns_ = 0;
    std::uint64_t arrivals_ = 0;
};

} // namespace zarta
