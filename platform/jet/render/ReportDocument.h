#pragma once

#include <QByteArray>
#include <QPageLayout>
#include <QPainter>
#include <set>
#include <string>

#include "platform/jet/design/ReportDesign.h"
#include "platform/jet/query/Value.h"
#include "platform/jet/render/ReportSource.h"

namespace platform::jet::render {

// A report drawn: its PDF document, its pages and what the drawing left out.
struct DrawnReport {
    QByteArray pdf;
    int pages = 0;
    std::set<std::string> omissions;
};

// Where a report's pages are painted, one after the other, in units of kReportResolution dots per
// inch from the printable area's corner: a PDF document, or a recording of the drawing.
class PageCanvas {
  public:
    static constexpr int kReportResolution = 300;
    virtual ~PageCanvas() = default;
    // The painter of the first page, on paper of this layout.
    virtual QPainter& firstPage(const QPageLayout& layout) = 0;
    // Moves the painter on to a new page.
    virtual void nextPage() = 0;
};

// Lays the report out and paints its pages on canvas; what drawReport does but for the document.
// Returns the pages painted and what was left out.
DrawnReport paintReport(const design::ReportDesign& design, query::RowSet rows, PageCanvas& canvas,
                        ReportSource* reports = nullptr, const std::string& report = {});

// Draws the report's design over its record source's rows (as the record source ordered them) as a
// PDF document titled title; its subreports from the reports of the source named (report: the report's
// own name), or left out without one. What its expressions cannot evaluate is drawn as Access shows it
// (#Error, #Name?, a grouping that groups nothing) and named in the omissions. A caller done with the
// rows moves them in.
DrawnReport drawReport(const design::ReportDesign& design, query::RowSet rows, const std::string& title,
                       ReportSource* reports = nullptr, const std::string& report = {});

}  // namespace platform::jet::render
