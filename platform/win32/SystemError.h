#pragma once

#include <string>
#include <string_view>

namespace platform::win32 {

// Windows' own description of a Win32 error code, without the trailing line break: "Access denied.".
// An error without a description reads "Error 1234".
std::string systemMessage(unsigned long error);

// Raises a Failure that says what could not be done and why in the system's words, carrying the error
// code as its number: "Cannot open the registry key HKEY_CURRENT_USER\Software\X: Access denied.".
[[noreturn]] void raiseSystemError(std::string_view action, unsigned long error);
// The same for functions that report through GetLastError(); call it straight after the failed call.
[[noreturn]] void raiseLastError(std::string_view action);

}  // namespace platform::win32
