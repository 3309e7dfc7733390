#pragma once

#include <mdbtools.h>

#include <memory>

namespace platform::jet::helper {

// A database libmdb opened, closed when it goes.
struct MdbClose {
    void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
};
using ScopedMdb = std::unique_ptr<MdbHandle, MdbClose>;

}  // namespace platform::jet::helper
