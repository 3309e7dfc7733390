#pragma once

#include <string>
#include <string_view>

#include "platform/Registry.h"

namespace platform::jet {

inline constexpr char kPdfWriterName[] = "Drevmark PDF Writer";
inline constexpr char kPdfWriterKey[] = "Software\\Drevmark PDF Writer";

// The "Drevmark PDF Writer" printer: a job takes its output file from "OutputFile" and "BypassSaveAs"
// in the printer's registry key when it starts, before anything is drawn, and its PDF document is
// written at that path whole or not at all. There is no Save As dialog on this platform, so the job
// always goes to "OutputFile", whatever "BypassSaveAs" says.
class PdfWriterPrinter {
  public:
    explicit PdfWriterPrinter(Registry& registry) : registry_(registry) {}

    // The output file of the job that starts now. Raises Failure when "OutputFile" is missing or empty,
    // is not a full path to a file, or names a folder that cannot take the file.
    std::string takeOutputFile();

    // Raises Failure, leaving any older file of that name as it was, when the file cannot be written.
    static void write(const std::string& outputFile, std::string_view pdf);

  private:
    Registry& registry_;
};

}  // namespace platform::jet
