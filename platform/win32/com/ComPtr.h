#pragma once

#include <windows.h>

#include <utility>

namespace platform::win32::com {

// One counted reference to a COM object, released when the owner goes. Move-only, and never converted
// to a raw pointer behind the caller's back: get() and put() say what they do.
template <class Interface>
class ComPtr {
  public:
    ComPtr() = default;
    ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            reset();
            pointer_ = std::exchange(other.pointer_, nullptr);
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() { reset(); }

    // Takes over a reference the caller already holds (an out-parameter's).
    static ComPtr adopt(Interface* pointer) {
        ComPtr owner;
        owner.pointer_ = pointer;
        return owner;
    }
    // Adds a reference of its own to a pointer someone else owns.
    static ComPtr retain(Interface* pointer) {
        if (pointer) pointer->AddRef();
        return adopt(pointer);
    }

    Interface* get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

    // For an out-parameter: drops the reference held so far, so that reuse cannot leak.
    Interface** put() {
        reset();
        return &pointer_;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }

    void reset() {
        if (Interface* old = std::exchange(pointer_, nullptr)) old->Release();
    }

    // Another interface of the same object; empty when the object does not have it.
    template <class Other>
    ComPtr<Other> tryQuery(REFIID iid) const {
        ComPtr<Other> other;
        if (pointer_) pointer_->QueryInterface(iid, other.putVoid());
        return other;
    }

  private:
    Interface* pointer_ = nullptr;
};

}  // namespace platform::win32::com
