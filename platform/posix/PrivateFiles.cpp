#include "platform/posix/PrivateFiles.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>
#include <vector>

#include "platform/posix/SystemFailure.h"

namespace platform::posix {

namespace {

constexpr mode_t kPrivateFile = 0600;
constexpr mode_t kPrivateFolder = 0700;

std::string parentOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string tempFilePrefix(std::string_view name) {
    std::string prefix{name};
    prefix += ".tmp-";
    return prefix;
}

void writeAll(int fd, std::string_view content, const std::string& path) {
    while (!content.empty()) {
        const ssize_t written = ::write(fd, content.data(), content.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            raiseSystemFailure("Cannot write the file", path, errno);
        }
        content.remove_prefix(static_cast<std::size_t>(written));
    }
}

// Deletes the temporary file unless the replacement went through.
class TempFileGuard {
  public:
    explicit TempFileGuard(std::string path) : path_(std::move(path)) {}
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;
    ~TempFileGuard() {
        if (!path_.empty()) ::unlink(path_.c_str());
    }
    void keep() { path_.clear(); }

  private:
    std::string path_;
};

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
        if (errno != ENOENT && errno != ENOTDIR) raiseSystemFailure("Cannot examine the folder", folder, errno);
        missing.push_back(folder);
        const std::string parent = parentOf(folder);
        if (parent == folder) break;
        folder = parent;
    }
    for (auto folder = missing.rbegin(); folder != missing.rend(); ++folder) {
        if (makePrivateFolder(*folder)) syncFolder(parentOf(*folder));
    }
}

std::optional<std::string> readWholeFile(const std::string& path) {
    ScopedFd fd{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW)};
    if (!fd.valid()) {
        if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
        raiseSystemFailure("Cannot read the file", path, errno);
    }
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

void replaceFileAtomically(const std::string& folder, std::string_view name, std::string_view content) {
    std::string finalPath = folder + '/';
    finalPath += name;
    std::string tempPath = folder + '/' + tempFilePrefix(name) + "XXXXXX";

    ScopedFd fd{::mkostemp(tempPath.data(), O_CLOEXEC)};
    if (!fd.valid()) raiseSystemFailure("Cannot create a temporary file in the folder", folder, errno);
    TempFileGuard guard{tempPath};

    if (::fchmod(fd.get(), kPrivateFile) != 0)
        raiseSystemFailure("Cannot restrict the access to", tempPath, errno);
    writeAll(fd.get(), content, finalPath);
    if (::fsync(fd.get()) != 0) raiseSystemFailure("Cannot write the file", finalPath, errno);
    if (const int error = fd.close()) raiseSystemFailure("Cannot write the file", finalPath, error);
    if (::rename(tempPath.c_str(), finalPath.c_str()) != 0) {
        raiseSystemFailure("Cannot replace the file", finalPath, errno);
    }
    guard.keep();
    syncFolder(folder);
}

void removeAbandonedTempFiles(const std::string& folder, std::string_view name) {
    ScopedDir dir{::opendir(folder.c_str())};
    if (!dir) return;  // the write that follows reports what is wrong with the folder
    const std::string prefix = tempFilePrefix(name);
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view entryName = entry->d_name;
        if (!entryName.starts_with(prefix)) continue;
        struct stat status {};
        if (::fstatat(::dirfd(dir.get()), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(status.st_mode)) {
            ::unlinkat(::dirfd(dir.get()), entry->d_name, 0);
        }
    }
}

void syncFolder(const std::string& path) {
    // Best effort: the change is already visible, and some file systems cannot sync a folder at all.
    ScopedFd fd{::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (fd.valid()) ::fsync(fd.get());
}

ExclusiveFileLock::ExclusiveFileLock(const std::string& path)
    : fd_(::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, kPrivateFile)) {
    if (!fd_.valid()) raiseSystemFailure("Cannot open the lock file", path, errno);
    ::fchmod(fd_.get(), kPrivateFile);  // a file we did not create may refuse; the lock works regardless
    while (::flock(fd_.get(), LOCK_EX) != 0) {
        if (errno != EINTR) raiseSystemFailure("Cannot lock the file", path, errno);
    }
}

}  // namespace platform::posix
