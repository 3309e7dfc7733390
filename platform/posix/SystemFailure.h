#pragma once

#include <string_view>

namespace platform::posix {

// Raises a Failure that says what could not be done, to which path, and why in the system's words:
// "Cannot create the folder /home/ann/.config/calvenor: Permission denied".
[[noreturn]] void raiseSystemFailure(std::string_view action, std::string_view path, int error);

}  // namespace platform::posix
