#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "platform/jet/design/ReportDesign.h"
#include "platform/jet/query/QueryEngine.h"
#include "platform/jet/query/Value.h"
#include "platform/jet/render/ListRows.h"

namespace platform::jet::render {

// Rows [first, last] of the evaluator's rows, and the row a plain field is read from.
struct RowScope {
    std::size_t first = 0, last = 0, current = 0;
};

// The page a band is drawn on, for [Page] and [Pages].
struct PageNumbers {
    int page = 1, pages = 1;
};

// An expression naming what is neither a field, a control nor anything else it can read: where Access
// shows #Name?.
class UnknownNameError : public query::QueryError {
  public:
    using query::QueryError::QueryError;
};

// A named text box: its control source and the section it prints in, whose rows its value is worked
// out over when another section names it.
struct NamedControl {
    NamedControl(std::string source = {}, design::SectionKind section = design::SectionKind::Detail,
                 int groupLevel = 0)
        : source(std::move(source)), section(section), groupLevel(groupLevel) {}
    NamedControl(const char* source) : NamedControl(std::string(source)) {}
    std::string source;
    design::SectionKind section;
    int groupLevel;  // of a group header or footer
    std::shared_ptr<const design::Control> box;  // a list or combo box's, for its Column(n)
};

// The values of a report's control sources over its rows: a field's value, or an expression's
// evaluated by the query engine (the same functions and rules as the record source's), aggregates
// over the scope's rows. Names that are not columns may name other controls: one printed in a report or
// group header or footer other than the scope's stands for its value there (a detail's share of its
// group's or the report's total, as Access works out such totals before the rows that name them);
// any other for its source, over the scope's rows. A name that is not a column but ends one written
// with its table ("T.Name", from "SELECT T.*, *") reads that column.
class ReportEvaluator {
  public:
    // groupStarts: for each grouping level, where its groups start in the rows (for running sums, and
    // the groups whose headers and footers other sections refer to).
    ReportEvaluator(const query::RowSet& rows, std::map<std::string, NamedControl> controls,
                    std::vector<std::vector<std::size_t>> groupStarts = {});
    ~ReportEvaluator();
    ReportEvaluator(const ReportEvaluator&) = delete;
    ReportEvaluator& operator=(const ReportEvaluator&) = delete;

    std::size_t rowCount() const { return rows_.rows.size(); }

    // Where a list or combo box's Column(n) finds the box's rows; without it Column(n) cannot be read.
    void setListRows(ListRows* lists) { lists_ = lists; }

    // The database's code, whose functions control sources call where Access has none of the name; an
    // error in one makes that row's value #Error. Null: none.
    void setCodeFunctions(query::CodeFunctions* code) { engine_->setCodeFunctions(code); }

    // The values of references that are no field or control (CurrentProject.FullName, ...).
    void setReferenceValues(query::ParameterValues values) { engine_->setParameterValues(std::move(values)); }

    // What [Report].[Filter] and [Report].[FilterOn] read.
    void setReportProperties(std::map<std::string, query::Value> properties) {
        engine_->setReportProperties(std::move(properties));
    }

    // The value of a control source ("Field" or "=expression"); Null for an empty one. Without rows,
    // as over one row of Nulls (aggregates over none). Raises UnknownNameError for a name it does not
    // know, query::QueryError for an expression it cannot evaluate otherwise.
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
    // A failure of the source as UnknownNameError when it names something unknown.
    [[noreturn]] void rethrowFailure(const std::string& source, const query::QueryError& error) const;
    // The first name in the source (or in the sources of the controls it names) that is nothing known.
    std::string unknownNameIn(const std::string& source, std::set<std::string>& seen) const;
    // Where the units a running sum adds start: every row, or the groups of a level.
    const std::vector<std::size_t>& unitStarts(int groupLevel);
    // The source as one expression over the scope's rows. scoped: set when what was written in holds
    // for this scope or page alone (page numbers, a group's values), not for every row.
    std::string expressionOf(const std::string& source, const RowScope& scope, const PageNumbers& pages,
                             int depth, bool& scoped);
    // The rows a control of another section is worked out over, seen from the scope; none where it
    // stands for its source over the scope's own rows.
    std::optional<RowScope> homeScope(const NamedControl& control, const RowScope& scope) const;
    // The control's value over its home rows, as an expression's literal.
    std::string valueAtHome(const std::string& name, const NamedControl& control, const RowScope& home,
                            const PageNumbers& pages, int depth, bool& scoped);
    // The box's Column(column) at the scope's current row: that column of the row its value selects.
    query::Value boxColumn(const std::string& name, const NamedControl& box, std::size_t column,
                           const RowScope& scope, const PageNumbers& pages, int depth);
    const std::vector<query::Value>& perRow(const std::string& expression);
    query::RowSet select(const std::string& expression, const std::string& where, const char* table);
    int columnIndex(const std::string& name) const;

    const query::RowSet& rows_;
    std::map<std::string, NamedControl> controls_;  // by lower-case control name
    ListRows* lists_ = nullptr;
    std::unique_ptr<query::QueryEngine> engine_;
    std::map<std::string, std::vector<query::Value>> perRowCache_;
    // Why an expression failed over all rows: it fails the same way for each, and may take long to.
    std::map<std::string, std::string> perRowFailures_;
    // Expressions whose code failed on some row: worked out row by row, each row failing alone.
    std::set<std::string> failedInCode_;
    std::vector<std::vector<std::size_t>> groupStarts_;
    std::vector<std::size_t> everyRow_;  // 0, 1, 2, ...: the units of a detail's running sum, made once
    // Running sums of every unit, by expression, level, whether over a group and whether at a unit's end.
    std::map<std::tuple<std::string, int, bool, bool>, std::vector<query::Value>> runningCache_;
    // Values of controls at their home rows, by control and rows.
    std::map<std::tuple<std::string, std::size_t, std::size_t, std::size_t>, query::Value> homeCache_;
};

// The value as an expression's literal of the same kind: a number, CCur(...), CDate(...), "text", Null.
// Raises query::QueryError for a value no literal holds (binary data, an infinite number).
std::string literalOf(const query::Value& value);

// What a text box whose value cannot be worked out shows, as Access does: #Name? for a name it does not
// know, else #Error.
const char* errorShown(const query::QueryError& error);

// The omission of what could not be evaluated ("the text box X, shown as #Error"), saying why.
std::string notEvaluated(const std::string& what, const query::QueryError& error);

}  // namespace platform::jet::render
