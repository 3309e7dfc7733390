#pragma once

#include <windows.h>
// after windows.h, whose types it uses
#include <objidl.h>

namespace platform::win32::com {

// The message filter of the program's apartment while it drives Access. A server that is busy (Access
// showing a dialog of its own, say) is asked again for a while instead of failing the call at once; and
// while any call waits for its server, the windows keep painting and moving, so that a slow or stuck
// Access never leaves a blank, frozen page behind.
// Registered for the life of the object, on the thread that created it; the previous filter returns
// when it goes. Create it after the apartment and let it go before.
class BusyServerFilter final : public IMessageFilter {
  public:
    BusyServerFilter();
    BusyServerFilter(const BusyServerFilter&) = delete;
    BusyServerFilter& operator=(const BusyServerFilter&) = delete;
    ~BusyServerFilter();

    // How long a busy server is asked again before the call fails, in milliseconds.
    static constexpr DWORD kRetryFor = 30'000;
    static constexpr DWORD kRetryEvery = 250;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID interfaceId, void** object) override;
    // The filter lives as long as its registration: COM's references do not own it.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD callType, HTASK caller, DWORD tickCount,
                                               LPINTERFACEINFO interfaceInfo) override;
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK callee, DWORD tickCount, DWORD rejectType) override;
    DWORD STDMETHODCALLTYPE MessagePending(HTASK callee, DWORD tickCount, DWORD pendingType) override;

  private:
    IMessageFilter* previous_ = nullptr;
    bool registered_ = false;
};

}  // namespace platform::win32::com
