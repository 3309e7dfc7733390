#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/DrawnReports.h"

namespace platform::jet {

// A PDF file the renderer drew without Access says so in its document information when the drawing
// left things out: its Keywords start with this word and its Subject says what was not drawn. The
// renderer writes it; the batch export reads it back to tell its user.
inline constexpr std::string_view kApproximationKeyword = "approximation";

// The Subject of the document's last document information when its Keywords mark an approximation;
// nothing for any other PDF (or anything else), however damaged.
std::optional<std::string> approximationNoteOf(std::string_view pdf);

// The same of a file, reading only its end, where the document information is appended.
std::optional<std::string> approximationNoteOfFile(const std::string& path);

// The reports this edition draws, told apart by what their files say.
class DrawnReportFiles : public DrawnReports {
  public:
    std::optional<std::string> approximationNote(const std::string& path) override {
        return approximationNoteOfFile(path);
    }
};

}  // namespace platform::jet
