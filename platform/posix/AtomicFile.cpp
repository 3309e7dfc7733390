#include "platform/posix/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>

#include "platform/posix/ScopedHandles.h"
#include "platform/posix/SystemFailure.h"

namespace platform::posix {
namespace {

constexpr mode_t kPrivateFile = 0600;
constexpr mode_t kOrdinaryFile = 0666;
constexpr char kTempNameInfix[] = ".tmp-";  // "<name>.tmp-XXXXXX", beside the file
constexpr int kTempNameAttempts = 100;

std::string tempNamePrefix(const std::string& path) {
    std::string prefix = path.substr(path.find_last_of('/') + 1);  // npos + 1 is 0: a bare name
    prefix += kTempNameInfix;
    return prefix;
}

std::string randomLetters(std::random_device& random) {
    static constexpr std::string_view kLetters{
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"};
    std::uniform_int_distribution<std::size_t> pick(0, kLetters.size() - 1);
    std::string letters(6, 'X');
    for (char& letter : letters) letter = kLetters[pick(random)];
    return letters;
}

// A new file beside the target, removed again unless it has taken the target's name.
class TempFile {
  public:
    // Throws only when no file was created, so that nothing is left behind.
    TempFile(const std::string& target, mode_t mode) {
        std::random_device random;
        for (int attempt = 0; attempt < kTempNameAttempts && !fd_; ++attempt) {
            path_ = target;
            path_ += kTempNameInfix;
            path_ += randomLetters(random);
            // O_EXCL and O_NOFOLLOW: a file or link someone placed under the name is never written through.
            fd_.reset(::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode));
            if (!fd_ && errno != EEXIST) failToCreate(target, errno);
        }
        if (!fd_) failToCreate(target, EEXIST);
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile() {
        if (!path_.empty()) ::unlink(path_.c_str());
    }

    void restrictToOwner() {
        // open's mode passes through the umask; the file must be private whatever the umask says.
        if (::fchmod(fd_.get(), kPrivateFile) != 0)
            raiseSystemFailure("Cannot restrict the access to", path_, errno);
    }

    // Writes the content, flushes it to the disk when asked and closes the file.
    void write(std::string_view content, const std::string& target, Durability durability) {
        while (!content.empty()) {
            const ssize_t written = ::write(fd_.get(), content.data(), content.size());
            if (written < 0) {
                if (errno == EINTR) continue;
                raiseSystemFailure("Cannot write the file", target, errno);
            }
            content.remove_prefix(static_cast<std::size_t>(written));
        }
        if (durability == Durability::Flushed && ::fsync(fd_.get()) != 0)
            raiseSystemFailure("Cannot write the file", target, errno);
        // On some file systems a failed write only shows up here.
        if (const int error = closeReportingError(fd_))
            raiseSystemFailure("Cannot write the file", target, error);
    }

    void replace(const std::string& target) {
        if (::rename(path_.c_str(), target.c_str()) != 0)
            raiseSystemFailure("Cannot replace the file", target, errno);
        path_.clear();
    }

    // Gives the file the target's name only while no file has it: link() creates the second name
    // atomically or not at all.
    void placeAsNew(const std::string& target) {
        if (::link(path_.c_str(), target.c_str()) == 0) {
            ::unlink(path_.c_str());
            path_.clear();
            return;
        }
        if (errno == EEXIST) refuseExisting(target);
        if (errno != EPERM && errno != ENOTSUP && errno != ENOSYS)
            raiseSystemFailure("Cannot write the file", target, errno);
        // A file system without hard links: look, then rename (a narrow race remains).
        struct stat existing {};
        if (::lstat(target.c_str(), &existing) == 0) refuseExisting(target);
        replace(target);
    }

  private:
    [[noreturn]] static void failToCreate(const std::string& target, int error) {
        raiseSystemFailure("Cannot create a temporary file in the folder", folderOf(target), error);
    }
    [[noreturn]] static void refuseExisting(const std::string& target) {
        throw FileExists{"The file " + target + " exists already"};
    }

    std::string path_;
    ScopedFd fd_;
};

}  // namespace

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

void writeFileAtomically(const std::string& path, std::string_view content, FileAccess access,
                         Overwrite overwrite, Durability durability) {
    TempFile temp{path, access == FileAccess::Private ? kPrivateFile : kOrdinaryFile};
    if (access == FileAccess::Private) temp.restrictToOwner();
    temp.write(content, path, durability);
    if (overwrite == Overwrite::Replace)
        temp.replace(path);
    else
        temp.placeAsNew(path);
    if (durability == Durability::Flushed) syncFolder(folderOf(path));
}

void removeAbandonedTempFiles(const std::string& path) {
    ScopedDir dir{::opendir(folderOf(path).c_str())};
    if (!dir) return;  // the write that follows reports what is wrong with the folder
    const std::string prefix = tempNamePrefix(path);
    while (const dirent* entry = ::readdir(dir.get())) {
        if (!std::string_view{entry->d_name}.starts_with(prefix)) continue;
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
    if (fd) ::fsync(fd.get());
}

}  // namespace platform::posix
