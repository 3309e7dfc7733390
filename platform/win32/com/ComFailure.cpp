#include "platform/win32/com/ComFailure.h"

#include <windows.h>

#include <cstdio>

#include "platform/win32/com/ComPtr.h"
#include "platform/win32/com/ScopedBstr.h"
#include "platform/win32/com/WideText.h"

namespace platform::win32::com {

namespace {

// The system frees what FormatMessageW allocated only through LocalFree.
struct LocalText {
    wchar_t* text = nullptr;
    ~LocalText() { LocalFree(text); }
};

std::string trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text;
}

// IErrorInfo's description, when the object says it sets one for IDispatch.
std::string errorInfoDescription(IDispatch* object) {
    if (!object) return {};
    auto support = ComPtr<IDispatch>::retain(object).tryQuery<ISupportErrorInfo>(IID_ISupportErrorInfo);
    if (!support || support->InterfaceSupportsErrorInfo(IID_IDispatch) != S_OK) return {};
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.put()) != S_OK || !info) return {};
    ScopedBstr description;
    if (FAILED(info->GetDescription(description.receive()))) return {};
    return trimmed(description.utf8());
}

}  // namespace

std::string hresultMessage(HRESULT status) {
    LocalText message;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(status), 0, reinterpret_cast<wchar_t*>(&message.text), 0, nullptr);
    std::string text = length ? trimmed(toUtf8({message.text, length})) : std::string();
    if (!text.empty()) return text;
    char number[32];
    std::snprintf(number, sizeof number, "Error 0x%08lX", static_cast<unsigned long>(status));
    return number;
}

long errorNumber(HRESULT status) {
    if (HRESULT_FACILITY(status) == FACILITY_CONTROL) return HRESULT_CODE(status);
    return static_cast<long>(status);
}

void raiseComFailure(std::string_view action, HRESULT status) {
    throw Failure(std::string(action) + ": " + hresultMessage(status), errorNumber(status));
}

void raiseInvokeFailure(IDispatch* object, HRESULT status, EXCEPINFO& exception) {
    std::string description;
    long number = errorNumber(status);
    if (status == DISP_E_EXCEPTION) {
        if (exception.pfnDeferredFillIn) exception.pfnDeferredFillIn(&exception);
        // The strings are ours now, whatever happens next.
        ScopedBstr source, text, helpFile;
        *source.receive() = exception.bstrSource;
        *text.receive() = exception.bstrDescription;
        *helpFile.receive() = exception.bstrHelpFile;
        exception.bstrSource = exception.bstrDescription = exception.bstrHelpFile = nullptr;
        const HRESULT code = exception.scode ? exception.scode : status;
        number = exception.scode ? errorNumber(exception.scode) : exception.wCode ? exception.wCode : number;
        description = trimmed(text.utf8());
        if (description.empty()) description = errorInfoDescription(object);
        if (description.empty()) description = hresultMessage(code);
    } else {
        description = errorInfoDescription(object);
        if (description.empty()) description = hresultMessage(status);
    }
    throw Failure(description, number);
}

}  // namespace platform::win32::com
