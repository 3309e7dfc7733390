#pragma once

#include <optional>
#include <string_view>

namespace platform {

enum class PathKind { File, Folder };

// What a file's own name (not its path) can hold. Windows: none of \ / : * ? " < > | and no control
// characters, no trailing blank or dot, and not a device name (CON, NUL, COM1, ...). POSIX: no "/".
enum class FileNameRules { Windows, Posix };

class FileSystem {
  public:
    virtual ~FileSystem() = default;
    // What the path names; empty when it cannot be examined (missing, malformed, no access). Never fails.
    virtual std::optional<PathKind> examine(std::string_view path) = 0;
    // The character that separates folders in the platform's paths: "\" on Windows, "/" elsewhere.
    virtual char pathSeparator() const = 0;
    virtual FileNameRules fileNameRules() const = 0;
};

}  // namespace platform
