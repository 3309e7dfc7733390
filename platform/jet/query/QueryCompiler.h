#pragma once

#include <string>
#include <vector>

#include "platform/jet/query/ColumnType.h"
#include "platform/jet/query/SelectQuery.h"

namespace platform::jet::query {

// Where a query's sources come from: a table or saved query by name, made available to SQLite under
// that name. Raises QueryError when there is none.
class Sources {
  public:
    virtual ~Sources() = default;
    virtual const std::vector<Column>& columnsOf(const std::string& name) = 0;
};

struct CompiledQuery {
    std::string sql;              // SQLite's dialect
    std::vector<Column> columns;  // named as Access names them
};

// The select query in SQLite's dialect, its names resolved against the sources. Raises QueryError for
// what it cannot translate.
CompiledQuery compileSelect(const SelectQuery& query, Sources& sources);

}  // namespace platform::jet::query
