#include "FileImage.h"

#include "Jet4.h"
#include "Model.h"

namespace mkmdb {

using jet4::kPageSize;

std::uint32_t FileImage::addPage() {
    const auto number = pageCount();
    if (number > jet4::kMaxPageNumber) throw Error("the database outgrows the file format's page numbers");
    bytes_.resize(bytes_.size() + kPageSize, 0);
    return number;
}

std::span<std::uint8_t> FileImage::page(std::uint32_t number) {
    return std::span(bytes_).subspan(static_cast<std::size_t>(number) * kPageSize, kPageSize);
}

std::uint32_t FileImage::pageCount() const {
    return static_cast<std::uint32_t>(bytes_.size() / kPageSize);
}

DataPageWriter::DataPageWriter(FileImage& image, std::uint32_t ownerPage)
    : image_(image), owner_(ownerPage) {}

void DataPageWriter::startPage() {
    const auto number = image_.addPage();
    auto page = image_.page(number);
    page[0] = jet4::kDataPage;
    page[1] = 0x01;
    putU16(page, 2, static_cast<std::uint16_t>(kPageSize - jet4::kDataPageHeaderSize));
    putU32(page, 4, owner_);
    pages_.push_back(number);
    rowsOnPage_ = 0;
    dataStart_ = kPageSize;
}

std::uint32_t DataPageWriter::add(std::span<const std::uint8_t> row, std::uint16_t flags) {
    if (row.size() > jet4::kMaxRowSize)
        throw Error("a row takes " + std::to_string(row.size()) + " bytes; a page holds at most " +
                    std::to_string(jet4::kMaxRowSize));
    const auto fits = [&] {
        const std::size_t offsetTableEnd = jet4::kDataPageHeaderSize + 2 * (rowsOnPage_ + 1);
        return rowsOnPage_ < jet4::kMaxRowsPerPage && offsetTableEnd + row.size() <= dataStart_;
    };
    if (pages_.empty() || !fits()) startPage();

    auto page = image_.page(pages_.back());
    dataStart_ -= row.size();
    std::copy(row.begin(), row.end(), page.begin() + static_cast<std::ptrdiff_t>(dataStart_));
    const int rowNumber = rowsOnPage_++;
    putU16(page, jet4::kDataPageHeaderSize + 2 * rowNumber, static_cast<std::uint16_t>(dataStart_ | flags));
    putU16(page, jet4::kDataRowCountOffset, static_cast<std::uint16_t>(rowsOnPage_));
    const std::size_t offsetTableEnd = jet4::kDataPageHeaderSize + 2 * rowsOnPage_;
    putU16(page, 2, static_cast<std::uint16_t>(dataStart_ - offsetTableEnd));
    return jet4::pageRow(pages_.back(), rowNumber);
}

}  // namespace mkmdb
