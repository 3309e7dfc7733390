#include "platform/jet/OutputPath.h"

namespace platform::jet {

bool isPlainFullPath(const std::filesystem::path& path) {
    if (!path.is_absolute() || !path.has_filename()) return false;
    for (const auto& part : path.relative_path())
        if (part == "." || part == "..") return false;
    return true;
}

}  // namespace platform::jet
