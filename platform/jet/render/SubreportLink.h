#pragma once

#include <string>
#include <vector>

#include "platform/jet/query/Value.h"

namespace platform::jet::render {

// The names of a LinkChildFields or LinkMasterFields list ("OrderID; ProductID"), trimmed and without
// brackets.
std::vector<std::string> linkFieldNames(const std::string& list);

// Whether a subreport's value equals the master's as Access links them: Null matches nothing, text
// ignores letter case, and a number matches text that holds the same number.
bool linkedValuesMatch(const query::Value& child, const query::Value& master);

// The rows whose child fields hold the master values, in the rows' order. Raises query::QueryError for
// a child field the rows do not have.
query::RowSet linkedRows(const query::RowSet& rows, const std::vector<std::string>& childFields,
                         const std::vector<query::Value>& masterValues);

}  // namespace platform::jet::render
