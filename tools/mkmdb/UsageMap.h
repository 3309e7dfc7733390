#pragma once

#include <cstdint>
#include <vector>

#include "Bytes.h"
#include "FileImage.h"

namespace mkmdb {

// The usage map of a set of pages, as a table definition points to it (a 69-byte row). Pages all
// below 512 fit the map itself (type 0: start page and bitmap); otherwise the map lists bitmap pages
// (type 1), which are added to the image here, each covering 32,736 pages.
Bytes buildUsageMap(FileImage& image, const std::vector<std::uint32_t>& pages);

}  // namespace mkmdb
