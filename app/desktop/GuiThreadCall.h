#pragma once

#include "BatchAbandoned.h"
#include "BatchControl.h"

#include <QObject>
#include <QThread>

#include <future>
#include <memory>
#include <type_traits>

namespace zarta {

// Runs a function on the thread that owns a QObject (the user-interface thread) on behalf of
// the batch worker, and blocks the worker until it has run: how the worker reads and changes
// the page's widgets, which live on the user-interface thread only.
//
// The user-interface thread never waits for the worker here; it runs the function between its
// own events (also inside a modal dialog's event loop).
//
// When the batch has been abandoned by the time the function would run, it is not run and the
// worker gets BatchAbandoned; the same happens when the context object is destroyed, or the
// event loop ends, before the function ran. Called on the context's own thread, the function
// runs at once.
class GuiThreadCall {
public:
    template <class Function>
    static std::invoke_result_t<Function> run(QObject* context, BatchControl& control,
                                              Function function) {
        using Result = std::invoke_result_t<Function>;
        if (QThread::currentThread() == context->thread()) {
            if (control.isAbandoned()) {
                throw BatchAbandoned();
            }
            return function();
        }
        auto promise = std::make_shared<std::promise<Result>>();
        auto future = promise->get_future();
        QMetaObject::invokeMethod(
            context,
            [promise, &control, function = std::move(function)]() mutable {
                try {
                    if (control.isAbandoned()) {
                        throw BatchAbandoned();
                    }
                    if constexpr (std::is_void_v<Result>) {
                        function();
                        promise->set_value();
                    } else {
                        promise->set_value(function());
                    }
                } catch (...) {
                    promise->set_exception(std::current_exception());
                }
            },
            Qt::QueuedConnection);
        try {
            return future.get();
        } catch (const std::future_error&) {
            // The call was dropped unrun: its context is gone, so the batch is over.
            throw BatchAbandoned();
        }
    }
};

} // namespace zarta
