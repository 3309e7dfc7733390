#pragma once

#include <string>
#include <string_view>

namespace platform::jet {

// Writes the file whole or not at all: into a new file in the same folder, then renamed over the
// path, so that a reader never sees half of it and a failure leaves what was there before. The new
// file gets the usual permissions (0666 less the umask). Raises Failure with the system's reason.
void writeFileAtomically(const std::string& path, std::string_view contents);

}  // namespace platform::jet
