#pragma once

#include <sqlite3.h>

namespace platform::jet::query {

// Registers Access's functions with SQLite under the names the translated SQL calls (access_left,
// access_format, ...): text, dates, conversions with Access's rounding, Like's wildcards, & and the
// First/Last aggregates. Returns false when SQLite refuses one.
bool registerAccessFunctions(sqlite3* database);

}  // namespace platform::jet::query
