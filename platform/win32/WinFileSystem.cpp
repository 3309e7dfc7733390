#include "platform/win32/WinFileSystem.h"

#include <windows.h>

#include "platform/win32/WideText.h"

namespace platform::win32 {

std::optional<PathKind> WinFileSystem::examine(std::string_view path) {
    // A NUL would cut the path short and examine a different one.
    if (path.empty() || path.find('\0') != std::string_view::npos) return std::nullopt;
    try {
        const DWORD attributes = GetFileAttributesW(toWide(path).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Folder : PathKind::File;
    } catch (...) {  // a path too long to convert names nothing
        return std::nullopt;
    }
}

}  // namespace platform::win32
