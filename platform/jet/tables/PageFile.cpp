#include "platform/jet/tables/PageFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace platform::jet::helper {
namespace {

// Reads exactly size bytes at offset; false on an error or a short file.
bool readAt(int file, std::uint8_t* into, std::size_t size, off_t offset) {
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::pread(file, into + got, size - got, offset + static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        got += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

std::optional<PageFile> PageFile::open(const char* path) {
    posix::ScopedFd file(::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY));
    struct stat status;
    if (!file || ::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
    std::uint8_t version = 0;
    if (!readAt(file.get(), &version, 1, header::kVersionOffset)) return std::nullopt;
    const page::Layout& layout = version == header::kJet3Version ? page::kJet3Layout : page::kJet4Layout;
    // Page numbers are 32-bit in the usage maps; a file cannot name more.
    const auto pages =
        std::min<std::uint64_t>(static_cast<std::uint64_t>(status.st_size) / layout.pageSize, UINT32_MAX);
    if (pages == 0) return std::nullopt;
    return PageFile(std::move(file), layout, static_cast<std::uint32_t>(pages));
}

std::optional<PageFile::Page> PageFile::read(std::uint32_t number) const {
    if (number >= pageCount_) return std::nullopt;
    Page page(layout_->pageSize);
    if (!readAt(file_.get(), page.data(), page.size(),
                static_cast<off_t>(number) * static_cast<off_t>(layout_->pageSize)))
        return std::nullopt;
    return page;
}

}  // namespace platform::jet::helper
