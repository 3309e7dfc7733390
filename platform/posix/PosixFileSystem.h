#pragma once

#include "platform/FileSystem.h"

namespace platform::posix {

class PosixFileSystem : public FileSystem {
  public:
    // Follows symbolic links. Anything that exists and is not a folder (a device, a pipe) counts as a file.
    std::optional<PathKind> examine(std::string_view path) override;
    char pathSeparator() const override { return '/'; }
    FileNameRules fileNameRules() const override { return FileNameRules::Posix; }
};

}  // namespace platform::posix
