#pragma once

// VBA's built-in Collection, as New Collection and Dim c As New Collection make it.

#include <memory>

#include "platform/jet/vba/Objects.h"

namespace platform::jet::vba {

// Add item[, key][, before][, after], Item(index from 1 or key) also as c(1), c("key") and c!key,
// Count, Remove, For Each. Keys are text compared without regard to case. VBA's errors: 5 for an
// invalid call or a key not there, 457 for a key already present, 9 for an index out of range.
std::shared_ptr<Object> newCollection();

}  // namespace platform::jet::vba
