#pragma once

#include <cstdint>
#include <vector>

#include "Model.h"

// How Access keeps a saved query: one row of MSysObjects (type 5, under "Tables", its kind in the
// Flags) and rows of MSysQueries, one per part of the query, tied to it by its Id.
namespace mkmdb {

// MSysObjects.Flags of a select query (crosstab, union and action queries set bits of 0xF0).
inline constexpr std::uint32_t kSelectQueryFlags = 0;

// The query's MSysQueries rows (columns in systemTables() order) in the order Access writes them:
// the start and end rows, the query's type and its DISTINCT/TOP flags, then its tables, columns,
// joins, WHERE, GROUP BY, HAVING and ORDER BY, each kind numbered from 1 in the Order column.
std::vector<std::vector<Value>> savedQueryRows(const Query& query, std::int32_t objectId);

}  // namespace mkmdb
