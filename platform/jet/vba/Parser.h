#pragma once

#include <string_view>

#include "platform/jet/vba/Syntax.h"

namespace platform::jet::vba {

// Parses a module's source. Never fails: what it cannot read becomes an Unsupported statement that
// stops its procedure when reached, or a problem of the module (a structure left open), named with
// its line.
Module parseModule(std::string_view name, std::string_view source);

}  // namespace platform::jet::vba
