#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"

namespace calvenor {

// The file names (without folder and ".pdf") of a database's reports, by their position in the list.
// Each is the report's own name except where a file name cannot hold it: a character the platform
// refuses becomes "_" (so that no name reaches outside the folder or names no file at all), a name that
// would be hidden or empty (".x", "..", "") starts with "_", and a name that two reports would share gets
// " (2)", " (3)", ... for the later ones in the list. Assigned over the whole list in its order, so that
// a report's file is the same whichever reports a run saves.
std::vector<std::string> reportFileNames(const std::vector<std::string>& reports,
                                         platform::FileNameRules rules);

// The report's name as a file name can hold it under the rules.
std::string safeFileName(std::string_view name, platform::FileNameRules rules);

// The file of that name in the folder: the folder, a separator unless it ends with one, the name.
std::string pathInFolder(std::string_view folder, char separator, std::string_view fileName);

// The report's PDF file of that name in the folder: its path in the folder, with ".pdf".
std::string outputPath(std::string_view folder, char separator, std::string_view fileName);

}  // namespace calvenor
