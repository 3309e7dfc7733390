#pragma once

#include "tests/platform/win32/servers/AutomationObject.h"

namespace calvenor::stand_in {

// A new "ADODB.Connection": Open with a Jet or ACE connection string naming a description file,
// OpenSchema(adSchemaTables) as a recordset of its tables, Close.
ComPtr<AutomationObject> createAdoConnection();

}  // namespace calvenor::stand_in
