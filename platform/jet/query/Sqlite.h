#pragma once

#include <sqlite3.h>

#include <string>

#include "base/UniqueHandle.h"

namespace platform::jet::query {

using SqliteDatabase = base::Unique<sqlite3*, sqlite3_close_v2>;
using SqliteStatement = base::Unique<sqlite3_stmt*, sqlite3_finalize>;

// A name as SQLite reads it whatever it holds: "Order Details", "a""b".
inline std::string quoteName(const std::string& name) {
    std::string quoted = "\"";
    for (char c : name) {
        quoted += c;
        if (c == '"') quoted += '"';
    }
    return quoted + '"';
}

}  // namespace platform::jet::query
