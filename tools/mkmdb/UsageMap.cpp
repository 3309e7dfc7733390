#include "UsageMap.h"

#include <algorithm>

#include "Jet4.h"
#include "Model.h"

namespace mkmdb {
namespace {

constexpr std::size_t kMapRowSize = 69;
constexpr std::uint32_t kInlineMapPages = (kMapRowSize - 5) * 8;
using platform::jet::page::kBitmapPageHeader;
constexpr auto kPagesPerBitmapPage =
    static_cast<std::uint32_t>(platform::jet::page::kJet4Layout.pagesPerBitmapPage());
constexpr std::size_t kBitmapPageSlots = (kMapRowSize - 1) / 4;

void setBit(std::span<std::uint8_t> bitmap, std::uint32_t index) {
    bitmap[index / 8] |= static_cast<std::uint8_t>(1 << (index % 8));
}

}  // namespace

Bytes buildUsageMap(FileImage& image, const std::vector<std::uint32_t>& pages) {
    Bytes map(kMapRowSize, 0);
    const auto highest = pages.empty() ? 0 : *std::max_element(pages.begin(), pages.end());
    if (highest < kInlineMapPages) {
        map[0] = platform::jet::page::kInlineMap;
        putU32(map, 1, 0);  // the first page the bitmap describes
        for (const auto page : pages) setBit(std::span(map).subspan(5), page);
        return map;
    }

    map[0] = platform::jet::page::kBitmapPagesMap;
    std::vector<std::uint32_t> bitmapPages(kBitmapPageSlots, 0);
    for (const auto page : pages) {
        const auto slot = page / kPagesPerBitmapPage;
        if (slot >= kBitmapPageSlots) throw Error("the database is too large for the file format");
        if (bitmapPages[slot] == 0) {
            bitmapPages[slot] = image.addPage();
            auto bitmapPage = image.page(bitmapPages[slot]);
            bitmapPage[0] = jet4::kUsageBitmapPage;
            bitmapPage[1] = 0x01;
            putU32(map, 1 + 4 * slot, bitmapPages[slot]);
        }
        setBit(image.page(bitmapPages[slot]).subspan(kBitmapPageHeader), page % kPagesPerBitmapPage);
    }
    return map;
}

}  // namespace mkmdb
