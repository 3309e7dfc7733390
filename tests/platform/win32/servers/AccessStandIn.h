#pragma once

#include "tests/platform/win32/servers/AutomationObject.h"

namespace calvenor::stand_in {

// A new Access application: opens description files as databases, lists their reports, offers the
// system's printers (and the database's own) and "prints" a report as a PDF file when the current
// printer is the PDF printer, at the path its registry key names; OutputTo writes the PDF file itself.
ComPtr<AutomationObject> createAccessApplication();

}  // namespace calvenor::stand_in
