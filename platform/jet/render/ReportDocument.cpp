#include "platform/jet/render/ReportDocument.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <optional>

#include "platform/jet/render/DesignBounds.h"
#include "platform/jet/render/DocumentInfo.h"
#include "platform/jet/render/PagePlan.h"
#include "platform/jet/render/PageSetup.h"
#include "platform/jet/render/ReportPainter.h"
#include "platform/jet/render/ReportRows.h"
#include "platform/jet/render/Subreports.h"

namespace platform::jet::render {
namespace {

constexpr double kTwipsPerInch = 1440.0;

// Columns given a size of their own print each detail at its height.
design::ReportDesign withColumnSize(design::ReportDesign design) {
    if (design.page.columns > 1 && !design.page.sameAsDetail && design.page.itemHeight > 0)
        for (auto& section : design.sections)
            if (section.kind == design::SectionKind::Detail) section.height = design.page.itemHeight;
    return design;
}

}  // namespace

DrawnReport paintReport(const design::ReportDesign& designed, query::RowSet rows, PageCanvas& canvas,
                        ReportSource* reports, const std::string& report) {
    const design::ReportDesign design = withColumnSize(boundedDesign(designed));
    ReportRows ordered(design, std::move(rows), report);
    std::optional<Subreports> subreports;
    if (reports) subreports.emplace(*reports, report);

    const QPageLayout layout = pageLayoutOf(design.page);
    const QRectF printable = layout.paintRect(QPageLayout::Inch);
    const int printableHeight = static_cast<int>(printable.height() * kTwipsPerInch);
    const int printableWidth = static_cast<int>(printable.width() * kTwipsPerInch);

    DrawnReport drawn;
    const double devicePerTwip = PageCanvas::kReportResolution / kTwipsPerInch;
    // The painter's origin is the printable area's corner: the margins are the layout's.
    ReportPainter reportPainter(canvas.firstPage(layout), devicePerTwip, QPointF(0, 0), printableWidth,
                                ordered.evaluator());
    if (subreports) reportPainter.setSubreports(&*subreports);
    reportPainter.setRowSources(reports);
    // Growing text is measured with the painter's fonts before any page is drawn.
    std::vector<PlannedPage> pages =
        planPages(design, ordered.grouping(), {printableWidth, printableHeight},
                  [&](const design::Section& section, const RowScope& scope) {
                      return reportPainter.measure(section, scope);
                  });
    // A report wider than the paper prints each page on sheets side by side, one after the other, each
    // numbered: [Pages] counts them all.
    const int across = pagesAcross(design, printableWidth);
    if (pages.size() * across > kMostPages) {
        pages.resize(kMostPages / across);
        drawn.omissions.insert("the pages past the " + std::to_string(kMostPages) + "th");
    }
    drawn.pages = static_cast<int>(pages.size()) * across;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        for (int strip = 0; strip < across; ++strip) {
            if (i > 0 || strip > 0) canvas.nextPage();
            reportPainter.drawPage(pages[i], {static_cast<int>(i) * across + strip + 1, drawn.pages}, strip,
                                   across);
        }
    }
    drawn.omissions.insert(reportPainter.omissions().begin(), reportPainter.omissions().end());
    drawn.omissions.insert(ordered.omissions().begin(), ordered.omissions().end());
    if (hasEvents(design)) drawn.omissions.insert(kEventsNotRun);
    return drawn;
}

DrawnReport drawReport(const design::ReportDesign& design, query::RowSet rows, const std::string& title,
                       ReportSource* reports, const std::string& report) {
    // The pages go into a PDF document in memory, which the painter finishes when it ends.
    class PdfCanvas : public PageCanvas {
      public:
        PdfCanvas(QBuffer& buffer, const std::string& title) : writer_(&buffer) {
            writer_.setTitle(QString::fromStdString(title));
            writer_.setCreator("Calvenor");
            writer_.setResolution(kReportResolution);
        }
        QPainter& firstPage(const QPageLayout& layout) override {
            writer_.setPageLayout(layout);
            painter_.begin(&writer_);
            return painter_;
        }
        void nextPage() override { writer_.newPage(); }

      private:
        QPdfWriter writer_;
        QPainter painter_;  // after the writer: ends before it
    };

    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    DrawnReport drawn;
    {
        PdfCanvas canvas(buffer, title);
        drawn = paintReport(design, std::move(rows), canvas, reports, report);
    }
    drawn.pdf = buffer.data();
    return drawn;
}

}  // namespace platform::jet::render
