#pragma once

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/jet/query/CodeFunctions.h"
#include "platform/jet/query/ColumnType.h"
#include "platform/jet/query/SqlLexer.h"
#include "platform/jet/query/Value.h"

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

// A sub-query's SQL text (SELECT ...) in SQLite's dialect, parenthesised, with the type of its first
// column; oneColumn: a value or a list is wanted, not only whether there are rows.
using SubqueryCompiler = std::function<Translated(std::string_view sql, bool oneColumn)>;

// What stands for a name that no column has, which Access asks for as a parameter: the name as written
// ([Forms]![Dialog]![Start]). Empty leaves it unknown.
using ParameterResolver = std::function<std::optional<Translated>(const std::string& name)>;

// What an expression is translated against: its names, its sub-queries (none: refused) and, when
// given, a condition in SQLite's dialect limiting the rows every aggregate takes; the database's code,
// whose functions are called where Access has none of that name.
struct TranslationContext {
    NameResolver resolve;
    SubqueryCompiler subquery;
    std::string aggregateFilter;
    ParameterResolver parameter;
    const CodeFunctions* code = nullptr;
};

// Translates the whole text as one Access expression. Raises QueryError for what it cannot translate,
// and for a name nothing resolves (Access would ask for it as a parameter).
Translated translateExpression(std::string_view expression, const TranslationContext& context);

// A value as an expression, in the form the translated expressions take.
Translated literal(const Value& value);

// The expression as a plain number or value for a function: currency as its amount.
std::string plainValue(const Translated& expression);

// The names an expression calls, in lower case: each name followed by "(", outside strings and
// [bracketed] names. What finds the database's own functions in control sources and groupings.
std::set<std::string> calledNames(std::string_view expression);

}  // namespace platform::jet::query
