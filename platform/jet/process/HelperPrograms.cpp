#include "platform/jet/process/HelperPrograms.h"

#include <filesystem>
#include <system_error>

namespace platform::jet {

std::string runningProgramFolder() {
    std::error_code error;
    auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return {};
    return program.parent_path().string();
}

std::string helperProgramPath(std::string_view helperFolder, std::string_view name) {
    std::filesystem::path folder = helperFolder.empty() ? runningProgramFolder() : std::string(helperFolder);
    return (folder / name).string();
}

}  // namespace platform::jet
