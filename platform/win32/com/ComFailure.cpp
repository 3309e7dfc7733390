#include "platform/win32/com/ComFailure.h"

#include <windows.h>

#include <cstdio>

#include "platform/win32/SystemError.h"
#include "platform/win32/com/ComPtr.h"
#include "platform/win32/com/ScopedBstr.h"

namespace platform::win32::com {

namespace {

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

// Windows' own texts of the COM errors automation meets most, for systems whose message table lacks them
// (Wine has none for the OLE facilities).
const char* standardText(HRESULT status) {
    struct Known {
        HRESULT status;
        const char* text;
    };
    static constexpr Known known[] = {
        {E_FAIL, "Unspecified error"},
        {E_NOINTERFACE, "No such interface supported"},
        {E_NOTIMPL, "Not implemented"},
        {REGDB_E_CLASSNOTREG, "Class not registered"},
        {CO_E_CLASSSTRING, "Invalid class string"},
        {CO_E_SERVER_EXEC_FAILURE, "Server execution failed"},
        {RPC_E_DISCONNECTED, "The object invoked has disconnected from its clients."},
        {RPC_E_SERVERCALL_RETRYLATER, "The application is busy."},
        {TYPE_E_LIBNOTREGISTERED, "Library not registered."},
        {DISP_E_UNKNOWNNAME, "Unknown name."},
        {DISP_E_MEMBERNOTFOUND, "Member not found."},
        {DISP_E_TYPEMISMATCH, "Type mismatch."},
        {DISP_E_PARAMNOTFOUND, "Parameter not found."},
        {DISP_E_BADPARAMCOUNT, "Invalid number of parameters."},
        {DISP_E_BADINDEX, "Invalid index."},
        {DISP_E_EXCEPTION, "Exception occurred."},
    };
    for (const auto& entry : known)
        if (entry.status == status) return entry.text;
    return nullptr;
}

}  // namespace

std::string hresultMessage(HRESULT status) {
    const auto code = static_cast<unsigned long>(status);
    std::string text = systemMessage(code);
    if (text != "Error " + std::to_string(code)) return text;  // the system had a text
    if (const char* standard = standardText(status)) return standard;
    char number[32];
    std::snprintf(number, sizeof number, "Error 0x%08lX", code);
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
