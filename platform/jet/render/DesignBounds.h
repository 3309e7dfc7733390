#pragma once

#include "platform/jet/design/ReportDesign.h"

namespace platform::jet::render {

// Access's largest report, section and control measure: 22 inches, in twips.
inline constexpr int kLongestLength = 22 * 1440;

// The design with every length, size and count it holds brought within what Access allows (lengths
// 0 to 22 inches, font sizes to 127 points, borders to 6 points, ten grouping levels), so that a damaged
// design draws within bounds and its arithmetic in twips cannot overflow.
design::ReportDesign boundedDesign(design::ReportDesign design);

}  // namespace platform::jet::render
