#pragma once

#include <string_view>

#include "platform/Registry.h"

namespace platform::jet {

inline constexpr char kPdfWriterName[] = "Drevmark PDF Writer";
inline constexpr char kPdfWriterKey[] = "Software\\Drevmark PDF Writer";

// The "Drevmark PDF Writer" printer: for every job it reads "OutputFile" and "BypassSaveAs" from its
// registry key and writes the job's PDF document at that path, whole or not at all. There is no Save
// As dialog on this platform, so the job always goes to "OutputFile", whatever "BypassSaveAs" says.
class PdfWriterPrinter {
  public:
    explicit PdfWriterPrinter(Registry& registry) : registry_(registry) {}

    // Raises Failure, and writes nothing, when "OutputFile" is missing or empty, is not a full path
    // to a file, or names a folder that does not exist.
    void print(std::string_view pdf);

  private:
    Registry& registry_;
};

}  // namespace platform::jet
