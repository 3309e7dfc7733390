#pragma once

#include "Model.h"

namespace mkmdb {

// Checks the report designs against what Access accepts: each belongs to a report of the file; sections
// at most once each, group sections of existing levels; controls inside their section and the report's
// width, within Access's 22 inches, named uniquely; at most 10 sorting and grouping levels and 754
// controls; values in their ranges; a subreport naming a report of the file other than its own. Throws
// Error naming the report and the fault.
void validateReportDesigns(const Database& database);

}  // namespace mkmdb
