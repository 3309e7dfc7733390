#include "platform/jet/AtomicFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

#include "platform/Failure.h"
#include "platform/jet/UniqueFd.h"

namespace platform::jet {
namespace {

[[noreturn]] void fail(const std::string& path, int error) {
    throw Failure("Cannot write the file '" + path + "': " + std::strerror(error) + ".");
}

// Removes the temporary file unless it has been renamed into place.
class TemporaryName {
  public:
    explicit TemporaryName(std::string path) : path_(std::move(path)) {}
    ~TemporaryName() {
        if (!kept_) ::unlink(path_.c_str());
    }
    TemporaryName(const TemporaryName&) = delete;
    TemporaryName& operator=(const TemporaryName&) = delete;
    const std::string& path() const { return path_; }
    void keep() { kept_ = true; }

  private:
    std::string path_;
    bool kept_ = false;
};

}  // namespace

void writeFileAtomically(const std::string& path, std::string_view contents) {
    const std::filesystem::path target(path);
    std::random_device random;
    UniqueFd file;
    std::string temporary;
    for (int attempt = 0; attempt < 100 && !file; ++attempt) {
        temporary = (target.parent_path() /
                     ("." + target.filename().string() + "." + std::to_string(random()) + ".tmp"))
                        .string();
        file.reset(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666));
        if (!file && errno != EEXIST) fail(path, errno);
    }
    if (!file) fail(path, EEXIST);
    TemporaryName name(temporary);

    for (std::string_view left = contents; !left.empty();) {
        ssize_t written = ::write(file.get(), left.data(), left.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            fail(path, errno);
        }
        left.remove_prefix(static_cast<std::size_t>(written));
    }
    if (::fsync(file.get()) != 0) fail(path, errno);
    if (::close(file.release()) != 0) fail(path, errno);  // a late write error shows here
    if (::rename(name.path().c_str(), path.c_str()) != 0) fail(path, errno);
    name.keep();
}

}  // namespace platform::jet
