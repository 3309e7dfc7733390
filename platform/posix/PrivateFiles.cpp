#include "platform/posix/PrivateFiles.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>
#include <vector>

#include "platform/posix/AtomicFile.h"
#include "platform/posix/SystemFailure.h"

namespace platform::posix {

namespace {

constexpr mode_t kPrivateFile = 0600;
constexpr mode_t kPrivateFolder = 0700;

}  // namespace

bool makePrivateFolder(const std::string& path) {
    if (::mkdir(path.c_str(), kPrivateFolder) != 0) {
        const int error = errno;
        struct stat status {};
        // A symbolic link in its place is not taken for the folder: it could lead anywhere.
        if (error == EEXIST && ::lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) return false;
        raiseSystemFailure("Cannot create the folder", path, error);
    }
    // mkdir's mode passes through the umask; the folder must be private whatever the umask says.
    if (::chmod(path.c_str(), kPrivateFolder) != 0) {
        raiseSystemFailure("Cannot restrict the access to the folder", path, errno);
    }
    return true;
}

void makePrivateFolders(const std::string& path) {
    std::vector<std::string> missing;
    for (std::string folder = path;;) {
        struct stat status {};
        if (::stat(folder.c_str(), &status) == 0) break;
        if (errno != ENOENT && errno != ENOTDIR)
            raiseSystemFailure("Cannot examine the folder", folder, errno);
        missing.push_back(folder);
        const std::string parent = folderOf(folder);
        if (parent == folder) break;
        folder = parent;
    }
    for (auto folder = missing.rbegin(); folder != missing.rend(); ++folder) {
        if (makePrivateFolder(*folder)) syncFolder(folderOf(*folder));
    }
}

std::optional<std::string> readWholeFile(const std::string& path) {
    // Non-blocking, so that a named pipe in the file's place cannot stall the open.
    ScopedFd fd{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY)};
    if (!fd) {
        if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
        raiseSystemFailure("Cannot read the file", path, errno);
    }
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0) raiseSystemFailure("Cannot read the file", path, errno);
    if (!S_ISREG(status.st_mode)) raiseSystemFailure("Cannot read the file", path, EINVAL);
    ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
    std::string content;
    char buffer[16384];
    for (;;) {
        const ssize_t count = ::read(fd.get(), buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EINTR) continue;
            raiseSystemFailure("Cannot read the file", path, errno);
        }
        if (count == 0) break;
        content.append(buffer, static_cast<std::size_t>(count));
    }
    return content;
}

ExclusiveFileLock::ExclusiveFileLock(const std::string& path)
    : fd_(::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, kPrivateFile)) {
    if (!fd_) raiseSystemFailure("Cannot open the lock file", path, errno);
    ::fchmod(fd_.get(), kPrivateFile);  // a file we did not create may refuse; the lock works regardless
    while (::flock(fd_.get(), LOCK_EX) != 0) {
        if (errno != EINTR) raiseSystemFailure("Cannot lock the file", path, errno);
    }
}

}  // namespace platform::posix
