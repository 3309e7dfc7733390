#include "platform/jet/render/DesignBounds.h"

#include <algorithm>

namespace platform::jet::render {
namespace {

constexpr int kLargestFontSize = 127;         // points
constexpr int kWidestBorder = 6;              // points
constexpr int kLongestPaper = 50 * 254;       // tenths of a millimetre: 50 inches, past any printer's roll
constexpr std::size_t kMostGroupLevels = 10;  // Access's sorting and grouping levels

void boundLength(int& twips) {
    twips = std::clamp(twips, 0, kLongestLength);
}

void boundControl(design::Control& control) {
    for (int* length : {&control.left, &control.top, &control.width, &control.height}) boundLength(*length);
    control.font.size = std::clamp(control.font.size, 0, kLargestFontSize);
    control.borderWidth = std::clamp(control.borderWidth, 0, kWidestBorder);
    for (auto& child : control.children) boundControl(child);
}

}  // namespace

design::ReportDesign boundedDesign(design::ReportDesign design) {
    boundLength(design.width);
    design::PageSetup& page = design.page;
    for (int* length : {&page.leftMargin, &page.topMargin, &page.rightMargin, &page.bottomMargin,
                        &page.columnSpacing, &page.rowSpacing, &page.itemWidth, &page.itemHeight})
        boundLength(*length);
    page.paperWidth = std::clamp(page.paperWidth, 0, kLongestPaper);
    page.paperLength = std::clamp(page.paperLength, 0, kLongestPaper);
    // No more columns than a page has twips across.
    page.columns = std::clamp(page.columns, 1, kLongestLength);
    // Each level costs a pass over the rows; the sections of levels past Access's are not printed.
    if (design.groups.size() > kMostGroupLevels) design.groups.resize(kMostGroupLevels);
    for (auto& level : design.groups) level.groupInterval = std::max(level.groupInterval, 1);
    for (auto& section : design.sections) {
        boundLength(section.height);
        for (auto& control : section.controls) boundControl(control);
    }
    return design;
}

}  // namespace platform::jet::render
