#pragma once

#include <string>
#include <string_view>

#include "platform/Failure.h"

namespace platform::posix {

// Who may read a new file.
enum class FileAccess {
    Private,   // its owner only (0600), whatever the umask
    Ordinary,  // as any new file: 0666 less the umask
};

// What becomes of a file that has the name already.
enum class Overwrite {
    Refuse,   // it stays as it is and the write fails with FileExists
    Replace,  // it is replaced
};

// What must survive once the write has returned.
enum class Durability {
    // The content and the new name are on the disk: a power cut right afterwards keeps the new file.
    // Costs a flush of the file and of its folder, milliseconds on an ordinary disk.
    Flushed,
    // The new file is in place for every process at once and outlives the writer's process, killed or
    // not, since the rename alone makes it so; a crash of the whole system soon afterwards may bring
    // back the file as it was a few seconds before (or, on a file system that does not write a renamed
    // file's data first, an empty one). For small files rewritten at a high rate.
    Visible,
};

// Raised when a write that must not overwrite finds a file (or a link) of that name.
class FileExists : public Failure {
  public:
    using Failure::Failure;
};

// Writes the file whole or not at all. The content goes to a new temporary file beside it (created
// exclusively and never through a symbolic link), is flushed to the disk as durability asks, and only
// then takes the file's name. Readers see the old file or the new one, never a mixture, and a failure
// at any point leaves the old file as it was and no temporary file behind. Raises Failure naming the
// path and the system's reason.
void writeFileAtomically(const std::string& path, std::string_view content, FileAccess access,
                         Overwrite overwrite, Durability durability = Durability::Flushed);

// Removes the temporary files that writes of that file left behind when their process died. Call it
// only while holding a lock that every writer of the file takes, so that no live writer's file goes.
void removeAbandonedTempFiles(const std::string& path);

// The folder that holds the path's last entry: "." for a bare name, "/" for an entry of the root.
std::string folderOf(const std::string& path);

// Flushes a folder's entries (a new name, a rename) to the disk.
void syncFolder(const std::string& path);

}  // namespace platform::posix
