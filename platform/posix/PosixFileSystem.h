#pragma once

#include "platform/FileSystem.h"

namespace platform::posix {

class PosixFileSystem : public FileSystem {
  public:
    // Follows symbolic links. Anything that exists and is not a folder (a device, a pipe) counts as a file.
    std::optional<PathKind> examine(std::string_view path) override;
    char pathSeparator() const override { return '/'; }
    FileNameRules fileNameRules() const override { return FileNameRules::Posix; }
    std::optional<FolderProblem> outputFolderProblem(std::string_view folder) override;
    // New folders get mode 0700.
    void createFolder(std::string_view folder) override;
    void writeTextFile(std::string_view path, std::string_view text) override;
};

}  // namespace platform::posix
