#pragma once

#include <filesystem>

namespace platform::jet {

// Whether a path names an output file fit to be written: a full path to a file, with no "." or ".."
// part, so that output goes where the path says and nowhere else. The last part is replaced as a name
// (a link there is replaced, never written through).
bool isPlainFullPath(const std::filesystem::path& path);

}  // namespace platform::jet
