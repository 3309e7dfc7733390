#include "platform/posix/PrinterValuesFileLock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/posix/AtomicFile.h"
#include "platform/posix/PrivateFiles.h"
#include "platform/posix/SystemFailure.h"

namespace platform::posix {

void PrinterValuesFileLock::acquire(const std::function<void()>& whileWaiting) {
    if (fd_) return;
    makePrivateFolders(folderOf(path_));
    ScopedFd fd{::open(path_.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600)};
    if (!fd) raiseSystemFailure("Cannot open the lock file", path_, errno);
    // Another run holds it for milliseconds on this platform; the window stays painted all the same.
    while (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) raiseSystemFailure("Cannot lock the file", path_, errno);
        if (whileWaiting) whileWaiting();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    fd_ = std::move(fd);
}

}  // namespace platform::posix
