#include "platform/win32/WinPrinterValuesLock.h"

#include <windows.h>

#include "platform/win32/SystemError.h"
#include "platform/win32/WideText.h"

namespace platform::win32 {
namespace {

// Short enough that a page waiting for another run still paints at once.
constexpr DWORD kWaitSlice = 50;  // milliseconds

}  // namespace

void WinPrinterValuesLock::acquire(const std::function<void()>& whileWaiting) {
    // A mutex is recursive for its owning thread: taking it again would need as many releases.
    if (held_) return;
    if (!mutex_) {
        mutex_.reset(CreateMutexW(nullptr, FALSE, name_.c_str()));
        if (!mutex_) raiseLastError("Cannot open the PDF printer's lock " + toUtf8(name_));
    }
    const HANDLE mutex = mutex_.get();
    for (;;) {
        // Wakes for the window's messages too, so that whileWaiting can answer them straight away.
        switch (MsgWaitForMultipleObjects(1, &mutex, FALSE, kWaitSlice, QS_ALLINPUT)) {
            case WAIT_OBJECT_0:
            case WAIT_ABANDONED_0:
                held_ = true;
                return;
            case WAIT_FAILED:
                raiseLastError("Cannot wait for the PDF printer's lock " + toUtf8(name_));
            default:  // a message, or the slice is over
                if (whileWaiting) whileWaiting();
        }
    }
}

void WinPrinterValuesLock::release() {
    if (!held_) return;
    held_ = false;
    ReleaseMutex(mutex_.get());
}

}  // namespace platform::win32
