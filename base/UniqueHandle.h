#pragma once

#include <cstddef>
#include <type_traits>
#include <utility>

namespace base {

// One owner for every kind of handle (file descriptors, directory streams, libmdb and SQLite handles,
// registry keys, ...): move-only, closed by `close` when the owner goes. `none` is the value that holds
// nothing: null for pointers, -1 for file descriptors; a function whose failure says "none" otherwise
// (CreateFileW's INVALID_HANDLE_VALUE, iconv_open's -1) is owned through a converting factory. put()
// hands the address to a function that fills it in, after closing what was held, so reusing an owner
// cannot leak.
template <typename Handle, auto close, Handle none = Handle{}>
class Unique {
  public:
    Unique() = default;
    explicit Unique(Handle handle) : handle_(handle) {}
    Unique(Unique&& other) noexcept : handle_(other.release()) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    ~Unique() { reset(); }

    Handle get() const { return handle_; }
    bool valid() const { return handle_ != none; }
    explicit operator bool() const { return valid(); }
    Handle operator->() const requires std::is_pointer_v<Handle> { return handle_; }
    friend bool operator==(const Unique& owner, std::nullptr_t) requires std::is_pointer_v<Handle> {
        return !owner;
    }
    Handle* put() {
        reset();
        return &handle_;
    }
    void reset(Handle handle = none) {
        if (handle_ != none) close(handle_);
        handle_ = handle;
    }
    // The handle, for an owner that closes it otherwise; this one then holds none.
    [[nodiscard]] Handle release() { return std::exchange(handle_, none); }

  private:
    Handle handle_ = none;
};

}  // namespace base
