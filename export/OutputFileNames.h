#pragma once

#include <set>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"

namespace calvenor {

// The PDF files of one export run: the folder, a separator unless the folder ends with one, the report's
// name, ".pdf". The name stays the report's own except where a file name cannot hold it: a character
// the platform refuses in file names becomes "_" (so that no name reaches outside the folder or names no
// file at all), and a name that two reports of the run would share gets " (2)", " (3)", ... for the
// later ones instead of overwriting the earlier file.
class OutputFileNames {
  public:
    OutputFileNames(platform::FileNameRules rules, char separator) : rules_(rules), separator_(separator) {}

    // The path for the report, kept for this run so that no later report gets it.
    std::string pathFor(std::string_view folder, std::string_view reportName);

  private:
    std::string key(const std::string& path) const;

    platform::FileNameRules rules_;
    char separator_;
    std::set<std::string> taken_;
};

// The report's name as a file name can hold it under the rules, "_" for each character it cannot.
std::string safeFileName(std::string_view name, platform::FileNameRules rules);

}  // namespace calvenor
