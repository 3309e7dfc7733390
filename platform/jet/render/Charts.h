#pragma once

#include <QPainter>
#include <QRectF>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/jet/design/ChartObject.h"
#include "platform/jet/design/PivotChart.h"
#include "platform/jet/design/ReportDesign.h"
#include "platform/jet/query/Value.h"
#include "platform/jet/render/ChartPainter.h"
#include "platform/jet/render/ReportSource.h"

namespace platform::jet::render {

// The row source with the link fields it does not give as its first columns, so that its rows can be
// linked to the master's as a subreport's are (Access filters a chart's rows on its child fields,
// which its row source need not show). A table or query name becomes a query of all its columns.
// Raises query::QueryError for SQL it cannot extend so (a union).
std::string withLinkColumns(const std::string& rowSource, const std::vector<std::string>& fields);

// The chart's categories and series from its rows: the first column names the categories, the others
// are series of numbers; no more of them than Graph's data sheet holds.
ChartData chartDataOf(const query::RowSet& rows);

// A PivotChart's categories and series from its form's rows, grouped as its PivotTable groups them: a
// category for each value (or year, month, ...) of its row fields, a series for each of its column fields'
// and each total, each in ascending order, blank last; a point is its total's aggregate over the rows
// in both (NaN where none). cut: set where there were more categories or series than a chart holds.
// Raises query::QueryError for a field the rows do not have.
ChartData pivotChartData(const design::PivotChart& chart, const query::RowSet& rows, bool* cut = nullptr);

// Draws a form in PivotChart view over the rows its control links it to, naming in the omissions what
// the chart asks for and is drawn otherwise.
void drawPivotChart(QPainter& painter, const QRectF& area, const std::string& form,
                    const design::PivotChart& chart, const query::RowSet& rows,
                    std::set<std::string>& omissions);

// The charts of one document. Each chart's settings are read from its object, and its row source's
// rows fetched, once; each time it is drawn it shows the rows its link keeps (those linked to the
// master's current row). A chart whose settings cannot be read is drawn as a column chart of its rows
// and named as such in the omissions; one whose rows cannot be read leaves its area empty.
class Charts {
  public:
    explicit Charts(ReportSource& source) : source_(source) {}

    // The rows of the chart's row source its master links it to, from all of them.
    using Link = std::function<query::RowSet(const query::RowSet&)>;
    void draw(const design::Control& control, QPainter& painter, const QRectF& area, const Link& link,
              std::set<std::string>& omissions);

  private:
    struct Chart {
        design::ChartSettings settings;
        std::string unreadSettings;  // why they cannot be read; the chart is then drawn as columns
        query::RowSet rows;
        std::size_t linkColumns = 0;  // added before the row source's own
        std::string failure;          // why its rows cannot be read
    };
    const Chart& chartOf(const design::Control& control);

    ReportSource& source_;
    std::map<const design::Control*, Chart> charts_;
};

}  // namespace platform::jet::render
