#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace zarta {

// A thread that lives as long as the object and runs the tasks handed to it, one at a time.
//
// The service's offices and Ghostscript interpreters are started on these threads: a child
// process is killed by the kernel when the thread that started it ends (PR_SET_PDEATHSIG), so
// it must not be started on a connection's thread, which ends with the connection.
//
// Thread: run() from any thread; callers queue behind each other. Destroy only when no run() is
// under way.
class SlotThread {
public:
    SlotThread();
    ~SlotThread();
    SlotThread(const SlotThread&) = delete;
    SlotThread& operator=(const SlotThread&) = delete;

    // Runs the task on the thread and returns once it is done, throwing what it threw.
    void run(const std::function<void()>& task);

private:
    std::mutex callers_; // one task at a time
    std::mutex mutex_;
    std::condition_variable changed_;
    const std::function<void()>* task_ = nullptr;
    std::exception_ptr failure_;
    bool done_ = false;
    bool ending_ = false;
    std::thread thread_;
};

} // namespace zarta
