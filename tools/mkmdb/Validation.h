#pragma once

#include <string>
#include <string_view>

#include "Model.h"

namespace mkmdb {

// Checks what the rows cannot tell: names (present, at most 64 characters, no control characters,
// unique, ignoring ASCII case, as Access compares them), column lists, Text lengths, the password and
// the creation date. Throws Error naming the first fault.
void validateDatabase(const Database& database);

}  // namespace mkmdb
