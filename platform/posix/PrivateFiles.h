#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/posix/ScopedHandles.h"

namespace platform::posix {

// Files that only their owner may read or change: folders get mode 0700 and files 0600 whatever the
// umask. Every function raises Failure naming the path and the system's reason.

// Creates the folder and any missing parents; existing folders are left as they are.
void makePrivateFolders(const std::string& path);

// Creates one folder whose parent exists. Answers false when a folder of that name already exists.
bool makePrivateFolder(const std::string& path);

// The whole file; nothing when it or its folder does not exist.
std::optional<std::string> readWholeFile(const std::string& path);

// Replaces the file with new content in one step: the content goes to a temporary file beside it, is
// flushed to the disk and then renamed over the old file. Readers see the old or the new file, never a
// mixture, and a failure at any point leaves the old file untouched.
void replaceFileAtomically(const std::string& folder, std::string_view name, std::string_view content);

// Removes the temporary files a replacement of that file left behind when its process died. Call it only
// while holding the lock that every writer of the file takes, so that no live writer's file is removed.
void removeAbandonedTempFiles(const std::string& folder, std::string_view name);

// Flushes a folder's entries (a new name, a rename) to the disk.
void syncFolder(const std::string& path);

// An exclusive advisory lock (flock) on the file, created when missing, held until the object goes.
// Processes and threads that lock the same file take turns.
class ExclusiveFileLock {
  public:
    explicit ExclusiveFileLock(const std::string& path);

  private:
    ScopedFd fd_;
};

}  // namespace platform::posix
