#include "platform/win32/com/BusyServerFilter.h"

#include "platform/win32/com/ComFailure.h"

namespace platform::win32::com {
namespace {

constexpr DWORD kCancelCall = static_cast<DWORD>(-1);

}  // namespace

BusyServerFilter::BusyServerFilter() {
    const HRESULT status = CoRegisterMessageFilter(this, &previous_);
    if (FAILED(status)) raiseComFailure("Cannot watch for a busy Access", status);
    registered_ = true;
}

BusyServerFilter::~BusyServerFilter() {
    if (!registered_) return;
    IMessageFilter* ours = nullptr;
    CoRegisterMessageFilter(previous_, &ours);
    if (previous_) previous_->Release();  // the reference CoRegisterMessageFilter handed us
}

HRESULT STDMETHODCALLTYPE BusyServerFilter::QueryInterface(REFIID interfaceId, void** object) {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(interfaceId, IID_IUnknown) || IsEqualIID(interfaceId, IID_IMessageFilter)) {
        *object = static_cast<IMessageFilter*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

// The program serves no objects of its own: whatever calls in is handled as COM would.
DWORD STDMETHODCALLTYPE BusyServerFilter::HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) {
    return SERVERCALL_ISHANDLED;
}

DWORD STDMETHODCALLTYPE BusyServerFilter::RetryRejectedCall(HTASK, DWORD tickCount, DWORD rejectType) {
    if (rejectType == SERVERCALL_RETRYLATER && tickCount < kRetryFor) return kRetryEvery;
    return kCancelCall;  // the call fails with the system's "call was rejected" and the trap reports it
}

// Paint, move and activation messages are served while the call waits; clicks and keys are not, so that
// no second command starts inside the first.
DWORD STDMETHODCALLTYPE BusyServerFilter::MessagePending(HTASK, DWORD, DWORD) {
    return PENDINGMSG_WAITDEFPROCESS;
}

}  // namespace platform::win32::com
