#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::jet::query {

// An Access select query in parts, its expressions still in Access's dialect: what a saved query's
// rows and a record source's SQL text both come to.
struct FromItem {
    enum class Join { None, Inner, Left, Right };
    // A table or saved query (when join is None), or two items joined on a condition.
    std::string table, alias;
    std::string subquery;  // instead of a table: SQL text, (SELECT ...) AS alias
    Join join = Join::None;
    std::shared_ptr<const FromItem> left, right;
    std::string on;
};

struct SelectColumn {
    std::string expression;  // "*" and "Table.*" stand for all the columns of the sources or of one
    std::string alias;
};

struct OrderTerm {
    std::string expression;
    bool descending = false;
};

// TRANSFORM value ... PIVOT heading [IN (...)]: one column for each value of the heading, holding the
// aggregate value over the rows with that heading; the select's columns are the row headings.
struct Crosstab {
    std::string value, valueAlias;
    std::string pivot;
    std::vector<std::string> headings;  // the IN list's expressions; empty: the heading's values, sorted
};

struct SelectQuery {
    bool distinct = false;
    std::optional<std::int64_t> top;
    bool topPercent = false;
    std::vector<SelectColumn> columns;
    std::vector<std::shared_ptr<const FromItem>> from;  // each one a cross-joined item
    std::string where;
    std::vector<std::string> groupBy;
    std::string having;
    std::vector<OrderTerm> orderBy;
    // A union: the queries whose rows follow this one's (all rows kept when unionAll).
    std::vector<SelectQuery> unionWith;
    bool unionAll = false;
    std::optional<Crosstab> crosstab;
};

// Reads Access SQL text: SELECT [DISTINCT|DISTINCTROW] [TOP n [PERCENT]] ... FROM ... [WHERE ...]
// [GROUP BY ...] [HAVING ...] [ORDER BY ...], joins nested in parentheses, UNION [ALL], and
// TRANSFORM ... SELECT ... PIVOT ... [IN (...)]. Raises QueryError for anything else (PARAMETERS,
// action queries).
SelectQuery parseSelect(std::string_view sql);

// A crosstab's heading as a saved query keeps it: "expression [In (heading, ...)]".
void parsePivot(std::string_view text, Crosstab& into);

}  // namespace platform::jet::query
