#pragma once

#include <objbase.h>
#include <windows.h>

#include <utility>

namespace platform::win32 {

// One owner for every kind of handle whose "none" is null: move-only, closed by `close` when the owner
// goes. put() hands the address to a function that fills it in, after closing what was held, so reusing
// an owner cannot leak.
template <typename Handle, auto close>
class Unique {
  public:
    Unique() = default;
    explicit Unique(Handle handle) : handle_(handle) {}
    Unique(Unique&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other) reset(std::exchange(other.handle_, nullptr));
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    ~Unique() { reset(); }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    Handle* put() {
        reset();
        return &handle_;
    }
    void reset(Handle handle = nullptr) {
        if (handle_) close(handle_);
        handle_ = handle;
    }

  private:
    Handle handle_ = nullptr;
};

inline void closeRegistryKey(HKEY key) {
    RegCloseKey(key);
}
inline void closeKernelHandle(HANDLE handle) {
    CloseHandle(handle);
}
inline void freeLocal(void* memory) {
    LocalFree(memory);
}
inline void freeCoTaskMem(void* memory) {
    CoTaskMemFree(memory);
}

using UniqueRegistryKey = Unique<HKEY, closeRegistryKey>;
using UniqueHandle = Unique<HANDLE, closeKernelHandle>;  // process, thread, mutex: null when none
// CreateFileW says "none" with INVALID_HANDLE_VALUE rather than null: the owner of what it returns.
inline UniqueHandle ownFile(HANDLE file) {
    return UniqueHandle{file == INVALID_HANDLE_VALUE ? nullptr : file};
}
template <typename Pointer>
using UniqueLocal = Unique<Pointer, freeLocal>;
template <typename Pointer>
using UniqueCoTaskMem = Unique<Pointer, freeCoTaskMem>;

}  // namespace platform::win32
