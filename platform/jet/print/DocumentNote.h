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
// How the Subject of such a document starts; what follows says what was left out.
inline constexpr std::string_view kApproximationSubjectStart = "An approximation of the Access report: ";

// The Subject of the document's last document information when its Keywords mark an approximation;
// nothing for any other PDF (or anything else), however damaged.
std::optional<std::string> approximationNoteOf(std::string_view pdf);

// The same of a file, reading only its end, where the document information is appended.
std::optional<std::string> approximationNoteOfFile(const std::string& path);

// The reports this edition draws, told apart by what their files say.
class DrawnReportFiles : public DrawnReports {
  public:
    // What was left out, without the Subject's opening words: the caller says it is an approximation.
    std::optional<std::string> approximationNote(const std::string& path) override {
        auto note = approximationNoteOfFile(path);
        if (note && note->starts_with(kApproximationSubjectStart))
            note->erase(0, kApproximationSubjectStart.size());
        return note;
    }
};

}  // namespace platform::jet
