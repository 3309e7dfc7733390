#pragma once

#include <string>
#include <vector>

#include "platform/jet/design/ReportDesign.h"

namespace platform::jet::render {

// The design a subreport control prints a table or query with, as Access prints its datasheet: a row
// of column titles, then one row per record, every cell ruled, each column an inch wide.
design::ReportDesign datasheetDesign(const std::string& recordSource,
                                     const std::vector<std::string>& columns);

// The same for a form in datasheet view: a column for each control of its detail that shows a value
// (text, combo and check boxes) in its tab order, titled with its attached label's caption, else its
// name.
design::ReportDesign datasheetDesign(const design::ReportDesign& form);

}  // namespace platform::jet::render
