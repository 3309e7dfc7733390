#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/Failure.h"

namespace platform::win32::com {

// Windows' own description of an HRESULT, without the trailing line break: "Class not registered".
// Where the system has no text, Windows' standard one for the common COM errors, else "Error 0x80040154".
std::string hresultMessage(HRESULT status);

// The number a caller tells failures apart by: an automation server's own error number where the
// HRESULT carries one (FACILITY_CONTROL: ADO's 3706 arrives as 0x800A0E7A), otherwise the HRESULT.
long errorNumber(HRESULT status);

// Raises a Failure "<action>: <the system's description>" carrying errorNumber(status).
[[noreturn]] void raiseComFailure(std::string_view action, HRESULT status);

// Raises the Failure an IDispatch::Invoke reported: the server's EXCEPINFO description (filled in first
// when the server deferred it), else the object's IErrorInfo description, else the system's. Frees the
// EXCEPINFO's strings.
[[noreturn]] void raiseInvokeFailure(IDispatch* object, HRESULT status, EXCEPINFO& exception);

}  // namespace platform::win32::com
