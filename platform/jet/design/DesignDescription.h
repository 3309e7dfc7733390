#pragma once

#include <string>

#include "platform/jet/design/ReportDesign.h"

namespace platform::jet::design {

// The design as readable lines, one object a line, nested by indentation: for people looking inside a
// report, not for parsing.
std::string describeReportDesign(const ReportDesign& report);
// A macro's row as one line: its action, name, condition and arguments; empty for a comment.
std::string describeMacroRow(const MacroRow& row);

}  // namespace platform::jet::design
