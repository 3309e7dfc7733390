// The batch export's entry on Windows: a console program over the registry, the files, ADO and Access
// by automation, in one COM apartment. Its arguments arrive as UTF-16 (wmain) and are handed on as
// UTF-8; its output is UTF-8, and the console is told so.
#include <windows.h>
// after windows.h, whose types they use
#include <io.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "batch/BatchExport.h"
#include "platform/win32/WideText.h"
#include "platform/win32/WinFileSystem.h"
#include "platform/win32/WinPrinterValuesLock.h"
#include "platform/win32/WinPrinters.h"
#include "platform/win32/WinRegistry.h"
#include "platform/win32/com/BusyServerFilter.h"
#include "platform/win32/com/ComApartment.h"
#include "platform/win32/com/WinAccess.h"
#include "platform/win32/com/WinAdo.h"

namespace {

using platform::win32::fullPath;
using platform::win32::toUtf8;
using platform::win32::toWide;

std::optional<std::string> environmentVariable(std::string_view name) {
    const std::wstring wideName = toWide(name);
    const DWORD size = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (size == 0) return std::nullopt;
    std::wstring value(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(wideName.c_str(), value.data(), size);
    if (length == 0 || length >= size) return std::nullopt;
    value.resize(length);
    return toUtf8(value);
}

// Whether the error stream is a console that takes the escape sequences of a rewritten progress line.
bool errorsToTerminal() {
    if (_isatty(_fileno(stderr)) == 0) return false;
    const HANDLE console = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    return GetConsoleMode(console, &mode) != 0 &&
           SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

}  // namespace

int wmain(int argc, wchar_t* argv[]) {
    SetConsoleOutputCP(CP_UTF8);
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(toUtf8(argv[i]));
    namespace win32 = platform::win32;
    try {
        win32::com::ComApartment apartment;
        win32::com::BusyServerFilter busyAccess;
        win32::WinRegistry registry;
        win32::WinFileSystem files;
        win32::WinPrinters printers;
        win32::com::WinAdo ado;
        win32::com::WinAccess access;
        win32::WinPrinterValuesLock printerValues;
        const calvenor::batch::Environment environment{environmentVariable, fullPath,
                                                       [] { return std::chrono::steady_clock::now(); },
                                                       errorsToTerminal()};
        // Access prints every report itself: nothing is drawn here.
        return calvenor::batch::runBatchExport(
            arguments, {files, registry, ado, access, printers, printerValues, nullptr}, environment,
            std::cout, std::cerr);
    } catch (const std::exception& e) {
        std::cerr << "calvenor-export: " << e.what() << '\n';
        return calvenor::batch::kCannotRun;
    }
}
