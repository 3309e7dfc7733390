#pragma once

#include <cstddef>
#include <cstdint>

// Where a report's page setup lies in its two printer properties, for whoever reads or writes them.
namespace platform::jet::design::print_setup {

// PrtMip: 14 four-byte values. The four margins, whether only data prints, an item's width and height,
// whether items take the detail's size, the columns, their spacing, the row spacing, the item layout,
// and two switches Access sets (fast printing, datasheet headings).
inline constexpr std::size_t kMipLeft = 0, kMipTop = 4, kMipRight = 8, kMipBottom = 12, kMipDataOnly = 16,
                             kMipItemWidth = 20, kMipItemHeight = 24, kMipDefaultSize = 28, kMipColumns = 32,
                             kMipColumnSpacing = 36, kMipRowSpacing = 40, kMipItemLayout = 44,
                             kMipFastPrint = 48, kMipDatasheet = 52, kMipSize = 56;
inline constexpr std::size_t kMipMarginsEnd = 16, kMipColumnsEnd = 48;
inline constexpr std::uint32_t kAcrossThenDown = 1953, kDownThenAcross = 1954;

// PrtDevMode: a Windows DEVMODEA. Its fields mask says which of the fields after it hold.
inline constexpr std::size_t kDevModeSpecVersion = 32, kDevModeSize = 36, kDevModeFields = 40,
                             kDevModeOrientation = 44, kDevModePaperSize = 46, kDevModePaperLength = 48,
                             kDevModePaperWidth = 50, kDevModeMinimum = 52;
inline constexpr std::uint32_t kFieldOrientation = 0x1, kFieldPaperSize = 0x2, kFieldPaperLength = 0x4,
                               kFieldPaperWidth = 0x8;
inline constexpr int kPortrait = 1, kLandscape = 2;

}  // namespace platform::jet::design::print_setup
