#include "platform/jet/render/ReportRows.h"

#include <map>
#include <memory>
#include <string>

#include "base/AsciiCase.h"

namespace platform::jet::render {
namespace {

void collectSources(const design::Control& control, const design::Section& section,
                    std::map<std::string, NamedControl>& sources) {
    if (!control.name.empty() && control.kind == design::ControlKind::TextBox)
        sources.emplace(control.name, NamedControl(control.controlSource, section.kind, section.groupLevel));
    // A list or combo box stands for its value, and its Column(n) reads its rows.
    if (!control.name.empty() &&
        (control.kind == design::ControlKind::ComboBox || control.kind == design::ControlKind::ListBox)) {
        NamedControl box(control.controlSource, section.kind, section.groupLevel);
        box.box = std::make_shared<const design::Control>(control);
        sources.emplace(control.name, std::move(box));
    }
    for (const auto& child : control.children) collectSources(child, section, sources);
}

// A grouping level's field or expression as a control source. Access keeps expressions with or without
// their "=" ("[1]+[2]"), and fields also bracketed ("[Order ID]").
std::string groupingSource(const std::string& expression, const query::RowSet& rows) {
    if (expression.starts_with('=') || expression.find_first_of("[(") == std::string::npos) return expression;
    for (const auto& column : rows.columns)
        if (base::lowerAscii(column) == base::lowerAscii(expression)) return expression;
    return "=" + expression;
}

// Where running sums over a group start again: where a group of a level with a header or footer starts.
// A level that only sorts makes no groups of its own (Access numbers a group's rows on across it), so it
// takes the starts of the group around it, or of the whole report.
std::vector<std::vector<std::size_t>> runningSumStarts(const std::vector<design::GroupLevel>& levels,
                                                       std::vector<std::vector<std::size_t>> starts) {
    for (std::size_t level = 0; level < starts.size() && level < levels.size(); ++level)
        if (!levels[level].header && !levels[level].footer)
            starts[level] = level == 0 ? std::vector<std::size_t>{0} : starts[level - 1];
    return starts;
}

// The report's Filter as saved; printed outside a form, its FilterOn is as stored, which is No.
std::map<std::string, query::Value> reportProperties(const design::ReportDesign& design) {
    return {{"Filter", design.filter}, {"FilterOn", false}};
}

}  // namespace

ReportRows::ReportRows(const design::ReportDesign& design, query::RowSet rows, const std::string& name,
                       query::CodeFunctions* code) {
    std::map<std::string, NamedControl> sources;
    for (const auto& section : design.sections)
        for (const auto& control : section.controls) collectSources(control, section, sources);
    // The report's own properties, for the names no control takes.
    const auto addProperty = [&](const std::string& property, const std::string& value) {
        for (const auto& [control, source] : sources)
            if (base::lowerAscii(control) == base::lowerAscii(property)) return;
        sources.emplace(property, "=" + literalOf(value));
    };
    if (!name.empty()) addProperty("Name", name);
    addProperty("Caption", design.caption);
    addProperty("RecordSource", design.recordSource);

    std::vector<std::vector<query::Value>> keys;
    {
        ReportEvaluator evaluator(rows, sources);
        evaluator.setReportProperties(reportProperties(design));
        evaluator.setCodeFunctions(code);
        for (const auto& level : design.groups) {
            // An unbound report's one row has no fields to group on (its code would set a record source).
            if (rows.columns.empty()) {
                keys.emplace_back(rows.rows.size());
                continue;
            }
            std::vector<query::Value> values;
            try {
                values = evaluator.column(groupingSource(level.expression, rows));
            } catch (const query::QueryError& error) {
                // Access's value for every row would be the same error: one group for all.
                omissions_.insert(
                    notEvaluated("the grouping on " + level.expression + ", which groups nothing", error));
                values.assign(rows.rows.size(), query::Value());
            }
            for (auto& value : values) value = groupKey(value, level);
            keys.push_back(std::move(values));
        }
    }
    grouping_ = groupRows(design.groups, keys);
    if (design.groups.empty()) {
        grouping_.order.resize(rows.rows.size());
        for (std::size_t i = 0; i < grouping_.order.size(); ++i) grouping_.order[i] = i;
    }
    ordered_.columns = std::move(rows.columns);
    ordered_.rows.reserve(rows.rows.size());
    // The order holds each row once.
    for (std::size_t index : grouping_.order) ordered_.rows.push_back(std::move(rows.rows[index]));
    evaluator_ = std::make_unique<ReportEvaluator>(ordered_, std::move(sources),
                                                   runningSumStarts(design.groups, grouping_.starts));
    evaluator_->setReportProperties(reportProperties(design));
    evaluator_->setCodeFunctions(code);
}

}  // namespace platform::jet::render
