#pragma once

#include <mdbtools.h>

#include "base/UniqueHandle.h"

namespace platform::jet::helper {

// A database libmdb opened, closed when it goes.
using ScopedMdb = base::Unique<MdbHandle*, mdb_close>;

}  // namespace platform::jet::helper
