#pragma once

#include <cstddef>
#include <vector>

#include "platform/jet/design/ReportDesign.h"
#include "platform/jet/query/Value.h"

namespace platform::jet::render {

// The rows in the order a report prints them: by its sorting and grouping levels, then as the record
// source gave them; and for each level, the positions in that order where a new group starts.
struct Grouping {
    std::vector<std::size_t> order;                // indices into the record source's rows
    std::vector<std::vector<std::size_t>> starts;  // per level, ascending, each starting at 0
};

// keys[level][row]: each row's value of each level's expression, as the record source ordered them.
Grouping groupRows(const std::vector<design::GroupLevel>& levels,
                   const std::vector<std::vector<query::Value>>& keys);

// The value a level groups on: the value itself, its first characters, its year, quarter, month,
// week, day, hour or minute, or its interval of numbers.
query::Value groupKey(const query::Value& value, const design::GroupLevel& level);

// Access's order of values: Null first, numbers and dates by amount, text ignoring letter case.
int compareValues(const query::Value& a, const query::Value& b);

}  // namespace platform::jet::render
