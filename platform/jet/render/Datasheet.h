#pragma once

#include <string>
#include <vector>

#include "platform/jet/design/ReportDesign.h"

namespace platform::jet::render {

// The design a subreport control prints a table or query with, as Access prints its datasheet: a row
// of column titles, then one row per record, every cell ruled, each column an inch wide.
design::ReportDesign datasheetDesign(const std::string& recordSource,
                                     const std::vector<std::string>& columns);

}  // namespace platform::jet::render
