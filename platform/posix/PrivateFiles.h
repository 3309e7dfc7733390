#pragma once

#include <optional>
#include <string>

#include "platform/posix/ScopedHandles.h"

namespace platform::posix {

// Files that only their owner may read or change: folders get mode 0700 and files 0600 whatever the
// umask (write them with writeFileAtomically and FileAccess::Private). Every function raises Failure
// naming the path and the system's reason.

// Creates the folder and any missing parents; existing folders are left as they are.
void makePrivateFolders(const std::string& path);

// Creates one folder whose parent exists. Answers false when a folder of that name already exists.
bool makePrivateFolder(const std::string& path);

// The whole regular file; nothing when it or its folder does not exist. Anything else in its place (a
// pipe, a device, a folder) is refused at once.
std::optional<std::string> readWholeFile(const std::string& path);

// An exclusive advisory lock (flock) on the file, created when missing, held until the object goes.
// Processes and threads that lock the same file take turns.
class ExclusiveFileLock {
  public:
    explicit ExclusiveFileLock(const std::string& path);

  private:
    ScopedFd fd_;
};

}  // namespace platform::posix
