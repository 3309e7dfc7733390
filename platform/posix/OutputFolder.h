#pragma once

#include <optional>
#include <string_view>

#include "platform/FileSystem.h"

namespace platform::posix {

// Why files cannot be written into the folder, or nothing when they can: it must be a full path without
// "." or ".." parts (so that output goes where the path says and nowhere else), an existing folder, and
// take a new file from this user (tried by creating and removing one). The one test of the wizard's
// folder field, of the batch export's folder and of the PDF writer before it draws a job.
std::optional<FolderProblem> outputFolderProblem(std::string_view folder);

}  // namespace platform::posix
