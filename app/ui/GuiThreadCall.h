#pragma once

#include "engine/BatchAbandoned.h"

#include <QObject>
#include <QThread>

#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>

namespace zarta {

class BatchControl;

namespace ui {

// Carries one batch worker's calls onto the thread that owns a QObject (the user-interface
// thread, where the page's widgets live).
//
// run() blocks the worker until the function has run there and hands back its result or its
// exception; post() hands a function over without waiting. The user-interface thread never
// waits for the worker here: it runs the functions between its own events, also inside a modal
// dialog's event loop.
//
// A function is not run, and run() throws BatchAbandoned instead, when by the time it would
// run the batch has been abandoned or the link has been detached. While calls are held
// (holdCalls), arriving functions are kept, in order, and run only after releaseCalls(): this
// keeps the worker from changing the page, or raising a question, while the user is being
// asked whether to stop.
//
// Thread: construct, holdCalls(), releaseCalls(), detach() and destroy on the context's thread;
// run() and post() on the batch's threads, the worker's and its lanes' (run() on the context's
// own thread runs at once). The control must outlive every call still waiting in run().
// detach() must be called before the context is destroyed; the destructor detaches as well.
class GuiThreadCall {
public:
    GuiThreadCall(QObject* context, BatchControl& control);
    ~GuiThreadCall();
    GuiThreadCall(const GuiThreadCall&) = delete;
    GuiThreadCall& operator=(const GuiThreadCall&) = delete;

    template <class Function>
    std::invoke_result_t<Function> run(Function function);

    // Never throws; a function that cannot be delivered any more is dropped.
    void post(std::function<void()> function) noexcept;

    void holdCalls();
    // Runs the held functions, in order, from the event loop (not from within this call).
    void releaseCalls();
    // Ends the link: calls waiting in run() and held ones end with BatchAbandoned now, later
    // ones at once; nothing is delivered to the context any more.
    void detach();

private:
    // A call waiting in run(). Settled exactly once, on the context's thread.
    struct Pending {
        virtual ~Pending() = default;
        bool settled = false;
        virtual void abandon() = 0;
    };
    template <class Result>
    struct PendingResult : Pending {
        std::promise<Result> promise;
        void abandon() override {
            settled = true;
            promise.set_exception(std::make_exception_ptr(BatchAbandoned()));
        }
    };

    struct State {
        std::mutex mutex; // guards context and pending; the rest is the context thread's
        QObject* context = nullptr;
        BatchControl* control = nullptr;
        std::map<std::uint64_t, std::shared_ptr<Pending>> pending;
        std::uint64_t nextId = 1;
        bool holding = false;
        bool draining = false;
        std::deque<std::function<void()>> held;

        // Whether a function may still act: attached and the batch not abandoned.
        bool delivering();
        // Runs the task now, or keeps it while calls are held or held ones are being run.
        void deliver(const std::function<void()>& task);
        void drain();
        void forget(std::uint64_t id);
    };

    bool onContextThread() const;
    void checkRunning() const;
    // Posts task to the context under the lock; false when detached.
    bool postTask(std::function<void()> task, std::uint64_t id,
                  const std::shared_ptr<Pending>& pending);

    std::shared_ptr<State> state_;
    // Kept apart from the context, which may be gone once the link is detached.
    QThread* contextThread_;
};

template <class Function>
std::invoke_result_t<Function> GuiThreadCall::run(Function function) {
    using Result = std::invoke_result_t<Function>;
    if (onContextThread()) {
        checkRunning();
        return function();
    }
    auto call = std::make_shared<PendingResult<Result>>();
    auto future = call->promise.get_future();
    std::uint64_t id = 0;
    {
        std::lock_guard lock(state_->mutex);
        id = state_->nextId++;
    }
    // The task holds only shared state, so it may safely outlive this object: once the call is
    // settled (by detach) it does nothing.
    auto task = [state = state_, call, id, function = std::move(function)]() mutable {
        if (call->settled) {
            return;
        }
        if (!state->delivering()) {
            state->forget(id);
            call->abandon();
            return;
        }
        std::optional<std::exception_ptr> failure;
        if constexpr (std::is_void_v<Result>) {
            try {
                function();
            } catch (...) {
                failure = std::current_exception();
            }
            if (call->settled) {
                return; // detached while the function ran
            }
            state->forget(id);
            call->settled = true;
            failure ? call->promise.set_exception(*failure) : call->promise.set_value();
        } else {
            std::optional<Result> result;
            try {
                result.emplace(function());
            } catch (...) {
                failure = std::current_exception();
            }
            if (call->settled) {
                return;
            }
            state->forget(id);
            call->settled = true;
            failure ? call->promise.set_exception(*failure)
                    : call->promise.set_value(std::move(*result));
        }
    };
    if (!postTask(std::move(task), id, call)) {
        throw BatchAbandoned();
    }
    return future.get();
}

} // namespace ui
} // namespace zarta
