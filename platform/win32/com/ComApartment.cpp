#include "platform/win32/com/ComApartment.h"

#include "platform/win32/com/ComFailure.h"

namespace platform::win32::com {

ComApartment::ComApartment() {
    const HRESULT status = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    // S_FALSE: already initialised on this thread, which still wants its own CoUninitialize.
    // RPC_E_CHANGED_MODE: someone else chose another apartment; COM works, but the count is not ours.
    if (SUCCEEDED(status))
        initialised_ = true;
    else if (status != RPC_E_CHANGED_MODE)
        raiseComFailure("Cannot start COM", status);
}

ComApartment::~ComApartment() {
    if (initialised_) CoUninitialize();
}

}  // namespace platform::win32::com
