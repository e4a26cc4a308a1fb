#pragma once

#include "platform/com/IUnknown.h"

#include <utility>

namespace zarta::com {

// Holds one reference on an interface and releases it when it goes or is reset. Copying adds a
// reference, moving hands it over. Not thread-safe by itself, as the objects it holds are not.
template <class Interface>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Adds a reference to `pointer`.
    explicit ComPtr(Interface* pointer) : pointer_(pointer) {
        if (pointer_ != nullptr) {
            pointer_->AddRef();
        }
    }
    ComPtr(const ComPtr& other) : ComPtr(other.pointer_) {}
    ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(pointer_, other.pointer_);
        return *this;
    }
    ~ComPtr() { reset(); }

    // Takes over a reference the caller already owns (as an out-parameter hands one over).
    static ComPtr adopt(Interface* pointer) {
        ComPtr result;
        result.pointer_ = pointer;
        return result;
    }

    void reset() {
        if (Interface* old = std::exchange(pointer_, nullptr); old != nullptr) {
            old->Release();
        }
    }

    // Gives up the reference without releasing it; the caller now owns it.
    Interface* detach() { return std::exchange(pointer_, nullptr); }

    // The address of the empty pointer, for out-parameters: releases what is held first.
    Interface** put() {
        reset();
        return &pointer_;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }

    Interface* get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

private:
    Interface* pointer_ = nullptr;
};

} // namespace zarta::com
