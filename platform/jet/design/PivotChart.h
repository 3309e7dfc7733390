#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/jet/design/ChartObject.h"

// A form in PivotChart view keeps two XML texts of Office Web Components in its design: the chart
// (ChartSpace: its type, axes, legend, colours) and the PivotTable it draws (which fields of the form's
// record source it puts on its rows, the chart's categories; on its columns, the series; and which it
// totals). The chart is drawn from the form's rows, grouped as the PivotTable groups them.
namespace platform::jet::design {

// What a PivotTable field of a date groups its values by; None: the values themselves.
enum class PivotDateGroup { None, Years, Quarters, Months, Weeks, Days, Hours, Minutes, Seconds };
enum class PivotAggregate { Sum, Count, Min, Max, Average };

struct PivotAxisField {
    std::string field;  // the record source's
    PivotDateGroup group = PivotDateGroup::None;
};

struct PivotTotal {
    std::string field;    // the record source's
    std::string caption;  // "Sum of Amount"
    PivotAggregate aggregate = PivotAggregate::Sum;
};

struct PivotChart {
    ChartSettings settings;
    // The PivotTable's row fields (the chart's categories) and column fields (its series), outermost first.
    std::vector<PivotAxisField> categories, series;
    std::vector<PivotTotal> totals;
    // What the XML asks for that is drawn otherwise, each saying how ("its type Doughnut, drawn as columns").
    std::vector<std::string> approximations;
};

// Reads the chart and its PivotTable. Throws DesignError when either is not well-formed XML of the kind
// expected, or the PivotTable totals nothing.
PivotChart readPivotChart(std::string_view chartSpaceXml, std::string_view pivotTableXml);

}  // namespace platform::jet::design
