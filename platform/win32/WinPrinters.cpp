#include "platform/win32/WinPrinters.h"

#include <windows.h>
#include <winspool.h>

#include <memory>

#include "platform/win32/SystemError.h"
#include "platform/win32/WideText.h"

namespace platform::win32 {

std::vector<std::string> WinPrinters::deviceNames() {
    constexpr DWORD kFlags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
    DWORD needed = 0;
    DWORD count = 0;
    // A printer can be added between asking the size and listing: ask again when the list grew.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (EnumPrintersW(kFlags, nullptr, 4, nullptr, 0, &needed, &count) && needed == 0) return {};
        DWORD error = GetLastError();
        if (needed == 0) raiseSystemError("Cannot list the printers", error);
        // Whole PRINTER_INFO_4W records, so that the strings after them are suitably aligned too.
        const std::size_t records = needed / sizeof(PRINTER_INFO_4W) + 1;
        auto buffer = std::make_unique<PRINTER_INFO_4W[]>(records);
        const DWORD size = static_cast<DWORD>(records * sizeof(PRINTER_INFO_4W));
        if (EnumPrintersW(kFlags, nullptr, 4, reinterpret_cast<BYTE*>(buffer.get()), size, &needed, &count)) {
            std::vector<std::string> names;
            names.reserve(count);
            for (DWORD i = 0; i < count; ++i) {
                if (buffer[i].pPrinterName) names.push_back(toUtf8(buffer[i].pPrinterName));
            }
            return names;
        }
        error = GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER) raiseSystemError("Cannot list the printers", error);
    }
    raiseSystemError("Cannot list the printers", ERROR_INSUFFICIENT_BUFFER);
}

}  // namespace platform::win32
