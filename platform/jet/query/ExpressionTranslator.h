#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/jet/query/ColumnType.h"
#include "platform/jet/query/RecordSource.h"
#include "platform/jet/query/SqlLexer.h"

namespace platform::jet::query {

// An expression in SQLite's dialect, with the type of what it gives. A Currency expression gives whole
// ten-thousandths.
struct Translated {
    std::string sql;
    ColumnType type = ColumnType::Unknown;
};

// The column a name means: qualifier (a table, query or alias; empty when none was written) and name,
// as written, ignoring case. Empty when nothing of that name is in reach.
using NameResolver =
    std::function<std::optional<Translated>(const std::string& qualifier, const std::string& name)>;

// Translates one Access expression starting at tokens[position], leaving position after it. Raises
// QueryError for what it cannot translate, and for a name nothing resolves (Access would ask for it
// as a parameter). aggregateFilter, when given, is a condition in SQLite's dialect limiting the rows
// every aggregate takes.
Translated translateExpression(const std::vector<Token>& tokens, std::size_t& position,
                               const NameResolver& resolve, const std::string& aggregateFilter = {});

// The whole text as one expression.
Translated translateExpression(std::string_view expression, const NameResolver& resolve,
                               const std::string& aggregateFilter = {});

// A value as an expression, in the form the translated expressions take.
Translated literal(const Value& value);

// The expression as a plain number or value for a function: currency as its amount.
std::string plainValue(const Translated& expression);

}  // namespace platform::jet::query
