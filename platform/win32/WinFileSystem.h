#pragma once

#include <string>

#include "platform/FileSystem.h"

namespace platform::win32 {

// As Windows resolves it from the current folder and drive; "." and ".." parts are gone. The path as
// given when Windows cannot resolve it.
std::string fullPath(const std::string& path);

class WinFileSystem : public FileSystem {
  public:
    // Through GetFileAttributesW; anything it cannot answer (missing, malformed, no access) is empty.
    std::optional<PathKind> examine(std::string_view path) override;
    char pathSeparator() const override { return '\\'; }
    FileNameRules fileNameRules() const override { return FileNameRules::Windows; }
    // A full path is "C:\..." or "\\server\share\..."; "." and ".." parts are left to Windows, which
    // resolves them before any writer sees the path. Missing also covers a drive, server or share that
    // is not there.
    std::optional<FolderProblem> outputFolderProblem(std::string_view folder) override;
    // New folders inherit the access list of the folder above, as Windows gives every new folder.
    void createFolder(std::string_view folder) override;
    // Written to a file of its own beside the target, then moved over it.
    void writeTextFile(std::string_view path, std::string_view text) override;
};

}  // namespace platform::win32
