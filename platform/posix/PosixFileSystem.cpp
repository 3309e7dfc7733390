#include "platform/posix/PosixFileSystem.h"

#include <sys/stat.h>

#include <string>

namespace platform::posix {

std::optional<PathKind> PosixFileSystem::examine(std::string_view path) {
    // A NUL would silently cut the path short for the system call.
    if (path.empty() || path.find('\0') != std::string_view::npos) return std::nullopt;
    const std::string terminated{path};
    struct stat status {};
    if (::stat(terminated.c_str(), &status) != 0) return std::nullopt;
    return S_ISDIR(status.st_mode) ? PathKind::Folder : PathKind::File;
}

}  // namespace platform::posix
