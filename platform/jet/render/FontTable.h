#pragma once

#include <string>
#include <string_view>

namespace platform::jet::render {

// The installed family that stands in for a font Access designs name: a metric-compatible one where
// Debian has it (the same widths, so text breaks and clips where it did in Access), a look-alike of
// the same build for a few others, Liberation Sans for any other.
struct FontStandIn {
    std::string family;
    bool sameWidths = false;  // metric-compatible: text takes the room it took in Access
};

FontStandIn fontStandIn(std::string_view accessFont);

}  // namespace platform::jet::render
