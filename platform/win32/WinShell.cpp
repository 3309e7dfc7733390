#include "platform/win32/WinShell.h"

#include <objbase.h>
#include <shlobj.h>
#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/Failure.h"
#include "platform/win32/ScopedHandles.h"
#include "platform/win32/SystemError.h"
#include "platform/win32/WideText.h"

namespace platform::win32 {

namespace {

// The longest path Windows knows (with the \\?\ prefix), and then some.
constexpr DWORD kLongestPath = 32768;

// ShellExecute answers 32 or less on failure, with codes of its own; these are their Win32 equivalents,
// so that the user reads the system's description.
DWORD shellExecuteError(std::intptr_t result) {
    switch (result) {
        case 0:
            return ERROR_NOT_ENOUGH_MEMORY;
        case SE_ERR_SHARE:
            return ERROR_SHARING_VIOLATION;
        case SE_ERR_ASSOCINCOMPLETE:
        case SE_ERR_NOASSOC:
            return ERROR_NO_ASSOCIATION;
        case SE_ERR_DDETIMEOUT:
        case SE_ERR_DDEFAIL:
        case SE_ERR_DDEBUSY:
            return ERROR_DDE_FAIL;
        case SE_ERR_DLLNOTFOUND:
            return ERROR_DLL_NOT_FOUND;
        default:  // the others (file or path not found, access denied, bad format) are Win32 codes
            return static_cast<DWORD>(result);
    }
}

}  // namespace

std::string WinShell::programFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) raiseLastError("Cannot find the program's own file");
        // A full buffer means the name was cut short: try again with a larger one.
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        if (path.size() >= kLongestPath)
            raiseSystemError("Cannot find the program's own file", ERROR_FILENAME_EXCED_RANGE);
        path.resize(path.size() * 2);
    }
    const std::size_t separator = path.find_last_of(L"\\/");
    if (separator != std::wstring::npos) path.resize(separator);
    return toUtf8(path);
}

std::string WinShell::desktopFolder() {
    UniqueCoTaskMem<LPITEMIDLIST> items;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOPDIRECTORY, items.put())) || !items) return {};
    wchar_t path[MAX_PATH] = {};
    if (!SHGetPathFromIDListW(items.get(), path)) return {};
    return toUtf8(path);
}

void WinShell::openWebPage(std::string_view address) {
    const std::wstring quoted = L"\"" + toWide(address) + L"\"";
    SetLastError(ERROR_SUCCESS);
    const auto result = reinterpret_cast<std::intptr_t>(
        ShellExecuteW(nullptr, nullptr, quoted.c_str(), nullptr, L"C:\\", SW_SHOW));
    if (result > 32) return;
    raiseSystemError("Cannot open the page " + std::string{address}, shellExecuteError(result));
}

void WinShell::runCommand(std::string_view commandLine, int windowStyle) {
    if (commandLine.find('\0') != std::string_view::npos) {
        throw Failure{errors::kInvalidArgumentText, errors::kInvalidArgument};
    }
    // CreateProcessW may write into the command line, so it gets a copy of its own.
    std::wstring line = toWide(commandLine);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(windowStyle);
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started)) {
        raiseLastError("Cannot run " + std::string{commandLine});
    }
    // Not waited for: the handles only go.
    UniqueHandle process{started.hProcess};
    UniqueHandle thread{started.hThread};
}

}  // namespace platform::win32
