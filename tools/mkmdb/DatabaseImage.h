#pragma once

#include "FileImage.h"
#include "Model.h"

namespace mkmdb {

// A Jet 4 database (4 KB pages) holding the description's tables, rows and reports, protected by
// its password. Throws Error naming the fault when the description cannot be stored.
//
// Page plan: 0 header, 1 the file's free-page map, 2-5 the engine's tables, then the user tables'
// definitions, the catalogue's and the tables' data pages, usage bitmap pages, and the pages that
// hold the usage maps. The files carry no indexes.
FileImage buildDatabaseImage(const Database& database);

}  // namespace mkmdb
