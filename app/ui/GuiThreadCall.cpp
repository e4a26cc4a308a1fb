#include "app/ui/GuiThreadCall.h"

#include "engine/BatchControl.h"

namespace zarta::ui {

GuiThreadCall::GuiThreadCall(QObject* context, BatchControl& control)
    : state_(std::make_shared<State>()), contextThread_(context->thread()) {
    state_->context = context;
    state_->control = &control;
}

GuiThreadCall::~GuiThreadCall() {
    detach();
}

bool GuiThreadCall::onContextThread() const {
    return QThread::currentThread() == contextThread_;
}

void GuiThreadCall::checkRunning() const {
    if (!state_->delivering()) {
        throw BatchAbandoned();
    }
}

bool GuiThreadCall::postTask(std::function<void()> task, std::uint64_t id,
                             const std::shared_ptr<Pending>& pending) {
    std::lock_guard lock(state_->mutex);
    if (state_->context == nullptr) {
        return false;
    }
    if (pending) {
        state_->pending.emplace(id, pending);
    }
    QMetaObject::invokeMethod(
        state_->context, [state = state_, task = std::move(task)] { state->deliver(task); },
        Qt::QueuedConnection);
    return true;
}

void GuiThreadCall::post(std::function<void()> function) noexcept {
    try {
        auto task = [state = state_, function = std::move(function)] {
            if (state->delivering()) {
                function();
            }
        };
        if (onContextThread()) {
            state_->deliver(task);
        } else {
            postTask(std::move(task), 0, nullptr);
        }
    } catch (...) {
        // Only running out of memory gets here; a lost notification is the lesser harm.
    }
}

void GuiThreadCall::holdCalls() {
    state_->holding = true;
}

void GuiThreadCall::releaseCalls() {
    state_->holding = false;
    if (state_->held.empty() || state_->draining) {
        return;
    }
    state_->draining = true;
    std::lock_guard lock(state_->mutex);
    if (state_->context != nullptr) {
        QMetaObject::invokeMethod(
            state_->context, [state = state_] { state->drain(); }, Qt::QueuedConnection);
    }
}

void GuiThreadCall::detach() {
    std::map<std::uint64_t, std::shared_ptr<Pending>> pending;
    {
        std::lock_guard lock(state_->mutex);
        state_->context = nullptr;
        pending.swap(state_->pending);
    }
    state_->held.clear();
    for (auto& [id, call] : pending) {
        if (!call->settled) {
            call->abandon();
        }
    }
}

bool GuiThreadCall::State::delivering() {
    {
        std::lock_guard lock(mutex);
        if (context == nullptr) {
            return false;
        }
    }
    // Attached means the batch, and with it the control, is still alive.
    return !control->isAbandoned();
}

void GuiThreadCall::State::deliver(const std::function<void()>& task) {
    if (holding || draining) {
        held.push_back(task);
        return;
    }
    task();
}

void GuiThreadCall::State::drain() {
    // Tasks arriving while a held one runs (inside a dialog it shows) queue up behind it, so
    // the worker's calls keep their order.
    while (!holding && !held.empty()) {
        const std::function<void()> task = std::move(held.front());
        held.pop_front();
        task();
    }
    draining = false;
}

void GuiThreadCall::State::forget(std::uint64_t id) {
    std::lock_guard lock(mutex);
    pending.erase(id);
}

} // namespace zarta::ui
