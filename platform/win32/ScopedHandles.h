#pragma once

#include <objbase.h>
#include <windows.h>

#include "base/UniqueHandle.h"

namespace platform::win32 {

using base::Unique;

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
