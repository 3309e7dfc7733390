#pragma once

#include <string>
#include <string_view>

namespace platform::jet::render {

// The installed family that stands in for a font Access designs name: a metric-compatible one where
// Debian has it (the same widths, so text breaks and clips where it did in Access), Liberation Sans
// for any other.
std::string substituteFamily(std::string_view accessFont);

}  // namespace platform::jet::render
