#pragma once

#include <memory>

#include "platform/jet/vba/Objects.h"

namespace platform::jet::vba {

// The report as code sees it (Me): its controls by name (Me!Name, Me.Name, Me("Name"), Me.Controls),
// Me.Section(n) with its Controls, its properties, and its methods, over the host's report.
std::shared_ptr<Object> reportObject(ReportHost& host);

// A control as code sees it: its properties by name, its Value by default.
std::shared_ptr<Object> controlObject(ReportControl& control);

}  // namespace platform::jet::vba
