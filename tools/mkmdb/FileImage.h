#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "Bytes.h"

namespace mkmdb {

// The whole file in memory, page by page, numbered from 0.
class FileImage {
  public:
    // Appends a zeroed page and answers its number.
    std::uint32_t addPage();
    std::span<std::uint8_t> page(std::uint32_t number);
    std::uint32_t pageCount() const;
    std::span<const std::uint8_t> bytes() const { return bytes_; }

  private:
    Bytes bytes_;
};

// Fills data pages owned by one table (or, with owner 0, the engine's own rows such as usage maps),
// starting a new page when a row no longer fits.
class DataPageWriter {
  public:
    DataPageWriter(FileImage& image, std::uint32_t ownerPage);
    // Stores the row, its offset carrying the flags (page::kRowDeletedByAccess, ...), and answers its
    // page/row reference.
    std::uint32_t add(std::span<const std::uint8_t> row, std::uint16_t flags = 0);
    const std::vector<std::uint32_t>& pages() const { return pages_; }

  private:
    void startPage();

    FileImage& image_;
    std::uint32_t owner_;
    std::vector<std::uint32_t> pages_;
    int rowsOnPage_ = 0;
    std::size_t dataStart_ = 0;  // where the lowest row on the current page begins
};

}  // namespace mkmdb
