#include "platform/win32/SystemError.h"

#include <windows.h>

#include "platform/Failure.h"
#include "platform/win32/ScopedHandles.h"
#include "platform/win32/WideText.h"

namespace platform::win32 {

std::string systemMessage(unsigned long error) {
    UniqueLocal<wchar_t*> text;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        error, 0, reinterpret_cast<wchar_t*>(text.put()), 0, nullptr);
    std::wstring_view message{text ? text.get() : L"", text ? length : 0};
    while (!message.empty() &&
           (message.back() == L'\r' || message.back() == L'\n' || message.back() == L' ')) {
        message.remove_suffix(1);
    }
    if (message.empty()) return "Error " + std::to_string(error);
    return toUtf8(message);
}

void raiseSystemError(std::string_view action, unsigned long error) {
    std::string description{action};
    description += ": ";
    description += systemMessage(error);
    throw Failure{std::move(description), static_cast<long>(error)};
}

void raiseLastError(std::string_view action) {
    raiseSystemError(action, GetLastError());
}

}  // namespace platform::win32
