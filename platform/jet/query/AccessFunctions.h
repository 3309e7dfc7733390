#pragma once

#include <span>
#include <string>
#include <string_view>

#include <sqlite3.h>

#include "platform/jet/query/CodeFunctions.h"
#include "platform/jet/query/Value.h"

namespace platform::jet::query {

// One of Access's built-in functions over plain values, the one implementation the translated SQL and
// report code both call. Throws QueryError for an invalid call (a wrong number of arguments, a value
// that is no number where one is needed).
struct AccessFunction {
    std::string_view name;  // lower case, as Access spells it (the SQL calls it access_NAME)
    int fewest = 0, most = 0;
    int nullFirst = 0;  // Null in any of this many leading arguments gives Null without a call
    Value (*body)(std::span<const Value>) = nullptr;
    bool deterministic = true;  // false for Now, Date and Time
    bool inCode = true;         // false for the operators' (Like, \, Mod, ^, &): report code has its own
    int kinded = 0;             // leading arguments the SQL hands over each followed by its ColumnType

    Value operator()(std::span<const Value> arguments) const;
};

// The function of that lower-case name, or none.
const AccessFunction* findAccessFunction(std::string_view name);

// Registers Access's functions with SQLite under the names the translated SQL calls (access_left,
// access_format, ...): the functions above, plus StDev/Var and the exact Sum of Decimals and the
// First/Last aggregates. Returns false when SQLite refuses one.
bool registerAccessFunctions(sqlite3* database);

// The database's code as the translated SQL calls it, access_code('Name', value, kind, ...), and why
// its last failed call failed.
struct CodeCalls {
    CodeFunctions* code = nullptr;
    std::string failure;
};

// Registers access_code over calls, which must outlive the database's statements.
bool registerCodeFunctions(sqlite3* database, CodeCalls* calls);

}  // namespace platform::jet::query
