#include "DatabaseFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "DatabaseImage.h"
#include "platform/posix/ScopedHandles.h"

namespace mkmdb {
namespace {

using platform::posix::ScopedFd;

[[noreturn]] void fail(const std::string& what, const std::filesystem::path& path, int error) {
    throw Error(what + " \"" + path.string() + "\": " + std::strerror(error));
}

// A new file beside the target, removed again unless it was moved into place.
class TemporaryFile {
  public:
    explicit TemporaryFile(const std::filesystem::path& target) {
        for (int attempt = 0; attempt < 100; ++attempt) {
            path_ = target;
            path_ += ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
            fd_.reset(::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
            if (fd_.valid()) return;
            if (errno != EEXIST) fail("cannot create a file beside", target, errno);
        }
        fail("cannot create a file beside", target, EEXIST);
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (!placed_) ::unlink(path_.c_str());
    }

    void write(std::span<const std::uint8_t> bytes) {
        while (!bytes.empty()) {
            const auto written = ::write(fd_.get(), bytes.data(), bytes.size());
            if (written < 0) {
                if (errno == EINTR) continue;
                fail("cannot write", path_, errno);
            }
            bytes = bytes.subspan(static_cast<std::size_t>(written));
        }
        if (::fsync(fd_.get()) != 0) fail("cannot flush", path_, errno);
        if (const int error = fd_.close(); error != 0) fail("cannot write", path_, error);
    }

    void replace(const std::filesystem::path& target) {
        if (::rename(path_.c_str(), target.c_str()) != 0) fail("cannot write", target, errno);
        placed_ = true;
    }

    // Gives the file the target's name only while no file has it: a second name is created
    // atomically or not at all.
    void placeAsNew(const std::filesystem::path& target) {
        if (::link(path_.c_str(), target.c_str()) == 0) return;  // the destructor drops the extra name
        if (errno == EEXIST) refuseExisting(target);
        if (errno != EPERM && errno != ENOTSUP && errno != ENOSYS) fail("cannot write", target, errno);
        // A file system without hard links: look, then move (a narrow race remains).
        struct stat existing {};
        if (::lstat(target.c_str(), &existing) == 0) refuseExisting(target);
        replace(target);
    }

  private:
    [[noreturn]] static void refuseExisting(const std::filesystem::path& target) {
        throw Error(target.string().insert(0, 1, '"') +
                    "\" exists already; it was left as it is (use --force to replace it)");
    }

    std::filesystem::path path_;
    ScopedFd fd_;
    bool placed_ = false;
};

// Makes the new directory entry itself durable.
void flushFolder(const std::filesystem::path& target) {
    const auto folder = target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    ScopedFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.valid()) ::fsync(fd.get());
}

}  // namespace

void writeFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                         Overwrite overwrite) {
    TemporaryFile temporary(path);
    temporary.write(bytes);
    if (overwrite == Overwrite::Replace)
        temporary.replace(path);
    else
        temporary.placeAsNew(path);
    flushFolder(path);
}

void writeDatabaseFile(const Database& database, const std::filesystem::path& path, Overwrite overwrite) {
    const auto image = buildDatabaseImage(database);
    writeFileAtomically(path, image.bytes(), overwrite);
}

}  // namespace mkmdb
