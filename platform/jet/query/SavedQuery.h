#pragma once

#include <string>
#include <vector>

#include "platform/jet/query/Parameters.h"
#include "platform/jet/query/SelectQuery.h"

namespace platform::jet::query {

// One row of MSysQueries, where Access keeps a saved query as rows of attributes.
struct QueryRow {
    int attribute = 0;
    std::string expression;
    int flag = 0;
    std::string name1, name2;
};

// The select query a saved query's rows describe. objectFlags are its MSysObjects Flags, which tell a
// select query from a crosstab, union or action query. Raises QueryError, naming the query, for one that
// is not a select or union query, or one that reads another database.
SelectQuery rebuildSavedQuery(const std::string& name, long objectFlags, const std::vector<QueryRow>& rows);

// The parameters the saved query's rows declare, with their types, in their order.
std::vector<Parameter> savedQueryParameters(const std::vector<QueryRow>& rows);

}  // namespace platform::jet::query
