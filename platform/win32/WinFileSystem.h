#pragma once

#include "platform/FileSystem.h"

namespace platform::win32 {

class WinFileSystem : public FileSystem {
  public:
    // Through GetFileAttributesW; anything it cannot answer (missing, malformed, no access) is empty.
    std::optional<PathKind> examine(std::string_view path) override;
    char pathSeparator() const override { return '\\'; }
    FileNameRules fileNameRules() const override { return FileNameRules::Windows; }
};

}  // namespace platform::win32
