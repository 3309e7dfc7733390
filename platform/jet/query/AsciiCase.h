#pragma once

#include "base/AsciiCase.h"

namespace platform::jet::query {

// Access compares names, keywords and format codes without regard to the case of ASCII letters; the
// engine and the renderer call these by the engine's namespace.
using base::equalIgnoringCase;
using base::lowerAscii;
using base::upperAscii;

}  // namespace platform::jet::query
