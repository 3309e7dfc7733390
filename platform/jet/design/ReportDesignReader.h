#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/jet/design/DesignTree.h"
#include "platform/jet/design/ReportDesign.h"

namespace platform::jet::design {

// The report a decoded design describes; values the design leaves out come from its controls'
// prototypes, then from Access's defaults. charset: the iconv name of the file's code page, for the
// texts of Access 97 designs. A form's design reads alike (its header and footer as the report's).
// Throws DesignError when the design is neither a report's nor a form's, or a value is
// malformed.
ReportDesign reportDesignOf(const DesignTree& tree, const std::string& charset);

// Both steps, from the blob's bytes.
ReportDesign decodeReportDesign(std::span<const std::uint8_t> blob, const std::string& charset = "CP1252");

}  // namespace platform::jet::design
