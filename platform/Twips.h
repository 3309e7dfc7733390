#pragma once

#include <cmath>

namespace platform {

// Layouts are measured in twips, 1/1440 inch: 15 twips are one pixel at 96 dots per inch.
inline constexpr int kTwipsPerInch = 1440;

inline int twipsToPixels(int twips, double dotsPerInch) {
    return static_cast<int>(std::lround(twips * dotsPerInch / kTwipsPerInch));
}

}  // namespace platform
