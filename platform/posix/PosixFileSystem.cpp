#include "platform/posix/PosixFileSystem.h"

#include <sys/stat.h>

#include <string>

#include "platform/posix/AtomicFile.h"
#include "platform/posix/OutputFolder.h"
#include "platform/posix/PrivateFiles.h"

namespace platform::posix {

std::optional<PathKind> PosixFileSystem::examine(std::string_view path) {
    // A NUL would silently cut the path short for the system call.
    if (path.empty() || path.find('\0') != std::string_view::npos) return std::nullopt;
    const std::string terminated{path};
    struct stat status {};
    if (::stat(terminated.c_str(), &status) != 0) return std::nullopt;
    return S_ISDIR(status.st_mode) ? PathKind::Folder : PathKind::File;
}

std::optional<FolderProblem> PosixFileSystem::outputFolderProblem(std::string_view folder) {
    return posix::outputFolderProblem(folder);
}

void PosixFileSystem::createFolder(std::string_view folder) {
    makePrivateFolders(std::string{folder});
}

void PosixFileSystem::writeTextFile(std::string_view path, std::string_view text) {
    writeFileAtomically(std::string{path}, text, FileAccess::Ordinary, Overwrite::Replace,
                        Durability::Visible);
}

}  // namespace platform::posix
