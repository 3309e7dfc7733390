#pragma once

// Functions of the database's own code (its modules' Public functions, and a report's own), which
// expressions and queries call by name where Access has no function of that name.

#include <optional>
#include <string_view>
#include <vector>

#include "platform/jet/query/ColumnType.h"
#include "platform/jet/query/Value.h"

namespace platform::jet::query {

class CodeFunctions {
  public:
    virtual ~CodeFunctions() = default;
    virtual bool has(std::string_view name) const = 0;
    // The function's value; none when its code stopped or failed (Access's #Error). May throw an
    // exception saying why instead.
    virtual std::optional<Value> call(std::string_view name, const std::vector<Value>& args) = 0;
    // The type the function declares it gives (As Date, As Currency, ...); Unknown for a Variant.
    virtual ColumnType resultType(std::string_view name) const {
        (void)name;
        return ColumnType::Unknown;
    }
};

// A failure of the database's code while a query ran: the query's error, but one the same expression
// need not meet on every row.
class CodeFailure : public QueryError {
  public:
    using QueryError::QueryError;
};

}  // namespace platform::jet::query
