#pragma once

#include <dirent.h>
#include <unistd.h>

#include <cerrno>

#include "base/UniqueHandle.h"

namespace platform::posix {

using ScopedFd = base::Unique<int, ::close, -1>;
using ScopedDir = base::Unique<DIR*, ::closedir>;

// Closes now and answers the error close reports (0 when none): on some file systems a failed write
// only shows up here.
inline int closeReportingError(ScopedFd& fd) {
    if (!fd) return 0;
    return ::close(fd.release()) == 0 ? 0 : errno;
}

}  // namespace platform::posix
