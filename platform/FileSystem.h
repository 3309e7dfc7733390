#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

enum class PathKind { File, Folder };

// What a file's own name (not its path) can hold. Windows: none of \ / : * ? " < > | and no control
// characters, no trailing blank or dot, and not a device name (CON, NUL, COM1, ...). POSIX: no "/".
enum class FileNameRules { Windows, Posix };

// Why an output folder cannot take the PDF files. Missing: it does not exist (or is empty text); any
// other problem says why in words.
struct FolderProblem {
    bool missing = false;
    std::string reason;
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;
    // What the path names; empty when it cannot be examined (missing, malformed, no access). Never fails.
    virtual std::optional<PathKind> examine(std::string_view path) = 0;
    // The character that separates folders in the platform's paths: "\" on Windows, "/" elsewhere.
    virtual char pathSeparator() const = 0;
    virtual FileNameRules fileNameRules() const = 0;

    // Whether files can be written into the folder: a full path (with no "." or ".." part where the
    // platform's writer refuses them), an existing folder, and one that takes a new file from this user,
    // tried for real by creating and removing one. Nothing when it can. Never fails.
    virtual std::optional<FolderProblem> outputFolderProblem(std::string_view folder) = 0;
    // Creates the folder and its missing parents, the new ones readable by this user only where the
    // platform has such a mode. Raises Failure naming the folder and the reason.
    virtual void createFolder(std::string_view folder) = 0;
    // Writes the text as the file's whole content, replacing a file of that name whole or not at all.
    // Raises Failure naming the file and the reason.
    virtual void writeTextFile(std::string_view path, std::string_view text) = 0;
};

}  // namespace platform
