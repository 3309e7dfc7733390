#pragma once

#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "platform/jet/query/QueryEngine.h"
#include "platform/jet/query/RecordSource.h"

namespace platform::jet::render {

// Rows [first, last] of the evaluator's rows, and the row a plain field is read from.
struct RowScope {
    std::size_t first = 0, last = 0, current = 0;
};

// The page a band is drawn on, for [Page] and [Pages].
struct PageNumbers {
    int page = 1, pages = 1;
};

// The values of a report's control sources over its rows: a field's value, or an expression's
// evaluated by the query engine (the same functions and rules as the record source's), aggregates
// over the scope's rows. Names that are not columns may name other controls, whose sources stand in
// for them, as in Access.
class ReportEvaluator {
  public:
    // groupStarts: for each grouping level, where its groups start in the rows (for running sums).
    ReportEvaluator(const query::RowSet& rows, std::map<std::string, std::string> controlSources,
                    std::vector<std::vector<std::size_t>> groupStarts = {});
    ~ReportEvaluator();
    ReportEvaluator(const ReportEvaluator&) = delete;
    ReportEvaluator& operator=(const ReportEvaluator&) = delete;

    std::size_t rowCount() const { return rows_.rows.size(); }

    // The value of a control source ("Field" or "=expression"); Null for an empty one. Raises
    // query::QueryError for an expression it cannot evaluate.
    query::Value value(const std::string& source, const RowScope& scope, const PageNumbers& pages);

    // The source's running sum at the scope: its values added up over the rows (groupLevel -1, a
    // detail's) or over the groups of that level (a group header's or footer's) so far, from the start
    // of the report or, over a group, from the start of the enclosing group. Nulls add nothing; a value
    // that is not a number raises query::QueryError.
    query::Value runningSum(const std::string& source, const RowScope& scope, int groupLevel, bool overGroup,
                            const PageNumbers& pages);

    // The source's value for every row, in order.
    std::vector<query::Value> column(const std::string& source);

  private:
    // keptPerRow: a single row's value may come from (and go into) the expression's values for all rows.
    query::Value evaluate(const std::string& expression, const RowScope& scope, bool keptPerRow = true);
    // Where the units a running sum adds start: every row, or the groups of a level.
    const std::vector<std::size_t>& unitStarts(int groupLevel);
    // numbered: set when page numbers were written in.
    std::string expressionOf(const std::string& source, const PageNumbers& pages, int depth,
                             bool& numbered) const;
    const std::vector<query::Value>& perRow(const std::string& expression);
    query::RowSet select(const std::string& expression, const std::string& where);
    int columnIndex(const std::string& name) const;

    const query::RowSet& rows_;
    std::map<std::string, std::string> controlSources_;  // by lower-case control name
    std::unique_ptr<query::QueryEngine> engine_;
    std::map<std::string, std::vector<query::Value>> perRowCache_;
    // Why an expression failed over all rows: it fails the same way for each, and may take long to.
    std::map<std::string, std::string> perRowFailures_;
    std::vector<std::vector<std::size_t>> groupStarts_;
    std::vector<std::size_t> everyRow_;  // 0, 1, 2, ...: the units of a detail's running sum, made once
    // Running sums of every unit, by expression, level, whether over a group and whether at a unit's end.
    std::map<std::tuple<std::string, int, bool, bool>, std::vector<query::Value>> runningCache_;
};

}  // namespace platform::jet::render
