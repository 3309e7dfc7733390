#pragma once

#include "Bytes.h"
#include "Model.h"

namespace mkmdb {

// The design of a report as an Access 2000-format file keeps it: the blob of version 0x13 (texts in
// UTF-16) in the compact encoding, with the object tree Access writes: the report with its properties,
// the default-control prototypes, the sorting and grouping levels and then the sections, in the order
// they print, each with its controls (an attached label under its control). `saved` is the time it
// gives as its last change. The report must have passed validateDatabase.
Bytes encodeReportDesign(const Report& report, Timestamp saved);

// What Access adds to a design as it saves it: the detail section and the footers and headers that
// come in pairs (written empty), the sections in the order they print, the heights and the width
// that reach the controls where none is given, and a name for every control.
Report completeReport(const Report& report);

}  // namespace mkmdb
