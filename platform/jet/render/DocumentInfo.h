#pragma once

#include <set>
#include <string>
#include <string_view>

#include "platform/jet/design/ReportDesign.h"

namespace platform::jet::render {

// A PDF file drawn without Access says so in its document information when the drawing left things
// out: its Keywords start with this word and its Subject with the words after it, then says what.
inline constexpr std::string_view kApproximationKeyword = "approximation";
inline constexpr std::string_view kApproximationSubjectStart = "An approximation of the Access report: ";

// The PDF document with its document information replaced by an appended update: the title, and when
// the drawing left things out, a subject saying it approximates the report and keywords naming what.
// A document whose end it cannot read is returned as it is.
std::string withDocumentInfo(std::string pdf, const std::string& title,
                             const std::set<std::string>& omissions);

// The omission of a report whose sections have events: their macros and code do not run here.
inline constexpr char kEventsNotRun[] = "event macros and Visual Basic code";

// The omission of a report drawn without the rows its record source could not give, or of a subreport
// in it (subreport: its name): why, in plain words.
inline constexpr char kWithoutRows[] = "drawn without its rows: ";
std::string withoutRows(const std::string& reason, const std::string& subreport = {});

// The omission of what the drawing could not evaluate (a text box shown as #Error or #Name?, a grouping
// that groups nothing): this prefix, what, and why.
inline constexpr char kNotEvaluated[] = "cannot evaluate: ";

// The omission of what the report's code did that the document cannot show (a procedure that stops, a
// macro not run, a MsgBox answered): this prefix, then what.
inline constexpr char kCodeNote[] = "code: ";

// An error's message as a clause read on after other words: "The query ..." as "the query ...", without
// its closing full stop.
std::string plainReason(const std::string& reason);

// Whether the report or its sections name macros or code to run as it prints.
bool hasEvents(const design::ReportDesign& design);

// The subject such a document states; empty when nothing was left out. Every omission is something
// not drawn but kEventsNotRun, which is something that does not run, those saying the rows are missing,
// which say so themselves, and those of what it could not evaluate and of what the code did, listed as
// such.
std::string approximationNote(const std::set<std::string>& omissions);

}  // namespace platform::jet::render
