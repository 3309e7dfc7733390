#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/jet/file/JetFormat.h"
#include "platform/posix/ScopedHandles.h"

namespace platform::jet::helper {

// A database file read page by page, each read checked against the file's end: what libmdb reads
// without looking, we read first.
class PageFile {
  public:
    using Page = std::vector<std::uint8_t>;

    // Empty when the file cannot be opened or holds no whole header page.
    static std::optional<PageFile> open(const char* path);

    const page::Layout& layout() const { return *layout_; }
    std::uint32_t pageCount() const { return pageCount_; }

    // The page's bytes; empty for a page outside the file or one that cannot be read whole.
    std::optional<Page> read(std::uint32_t number) const;

  private:
    PageFile(posix::ScopedFd file, const page::Layout& layout, std::uint32_t pageCount)
        : file_(std::move(file)), layout_(&layout), pageCount_(pageCount) {}

    posix::ScopedFd file_;
    const page::Layout* layout_;
    std::uint32_t pageCount_;
};

}  // namespace platform::jet::helper
