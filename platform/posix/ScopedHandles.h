#pragma once

#include <dirent.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace platform::posix {

// An open file descriptor, closed when the object goes.
class ScopedFd {
  public:
    ScopedFd() = default;
    explicit ScopedFd(int fd) : fd_(fd) {}
    ScopedFd(ScopedFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    ScopedFd& operator=(ScopedFd&& other) noexcept {
        if (this != &other) reset(std::exchange(other.fd_, -1));
        return *this;
    }
    ScopedFd(const ScopedFd&) = delete;
    ScopedFd& operator=(const ScopedFd&) = delete;
    ~ScopedFd() { reset(); }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }
    // Closes now and answers the error close reports (0 when none): on some file systems a failed
    // write only shows up here.
    int close() {
        const int result = fd_ >= 0 ? ::close(fd_) : 0;
        fd_ = -1;
        return result == 0 ? 0 : errno;
    }

  private:
    int fd_ = -1;
};

// An open directory stream, closed when the object goes.
class ScopedDir {
  public:
    explicit ScopedDir(DIR* dir) : dir_(dir) {}
    ScopedDir(const ScopedDir&) = delete;
    ScopedDir& operator=(const ScopedDir&) = delete;
    ~ScopedDir() {
        if (dir_) ::closedir(dir_);
    }

    DIR* get() const { return dir_; }
    explicit operator bool() const { return dir_ != nullptr; }

  private:
    DIR* dir_;
};

}  // namespace platform::posix
