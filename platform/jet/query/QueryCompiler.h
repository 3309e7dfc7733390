#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/jet/query/ColumnType.h"
#include "platform/jet/query/ExpressionTranslator.h"
#include "platform/jet/query/SelectQuery.h"
#include "platform/jet/query/Value.h"

namespace platform::jet::query {

struct CompiledQuery {
    std::string sql;              // SQLite's dialect
    std::vector<Column> columns;  // named as Access names them
};

// Where a query's sources come from: a table or saved query by name, made available to SQLite under
// that name. Raises QueryError when there is none.
class Sources {
  public:
    virtual ~Sources() = default;
    virtual const std::vector<Column>& columnsOf(const std::string& name) = 0;
    // The rows of a query already compiled: a crosstab's columns are its heading's values.
    virtual RowSet rowsOf(const CompiledQuery& query, const std::string& description) = 0;
    // A property of the report whose expressions are evaluated ([Report].[Filter]); none elsewhere.
    virtual std::optional<Value> reportProperty(const std::string& name) const = 0;
    // What stands for a parameter of that name (ExpressionTranslator's ParameterResolver); none by default.
    virtual std::optional<Translated> parameter(const std::string&) { return std::nullopt; }
    // The database's code, whose functions expressions may call; none by default.
    virtual const CodeFunctions* codeFunctions() const { return nullptr; }
};

// The select query in SQLite's dialect, its names resolved against the sources. Raises QueryError for
// what it cannot translate.
CompiledQuery compileSelect(const SelectQuery& query, Sources& sources);

}  // namespace platform::jet::query
