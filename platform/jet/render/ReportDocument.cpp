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

constexpr int kResolution = 300;  // dots per inch of the document's drawing units
constexpr double kTwipsPerInch = 1440.0;

// Columns given a size of their own print each detail at its height.
design::ReportDesign withColumnSize(design::ReportDesign design) {
    if (design.page.columns > 1 && !design.page.sameAsDetail && design.page.itemHeight > 0)
        for (auto& section : design.sections)
            if (section.kind == design::SectionKind::Detail) section.height = design.page.itemHeight;
    return design;
}

}  // namespace

DrawnReport drawReport(const design::ReportDesign& designed, query::RowSet rows, const std::string& title,
                       ReportSource* reports, const std::string& report) {
    const design::ReportDesign design = withColumnSize(boundedDesign(designed));
    ReportRows ordered(design, std::move(rows));
    std::optional<Subreports> subreports;
    if (reports) subreports.emplace(*reports, report);

    const QPageLayout layout = pageLayoutOf(design.page);
    const QRectF printable = layout.paintRect(QPageLayout::Inch);
    const int printableHeight = static_cast<int>(printable.height() * kTwipsPerInch);
    const int printableWidth = static_cast<int>(printable.width() * kTwipsPerInch);

    DrawnReport drawn;
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setTitle(QString::fromStdString(title));
        writer.setCreator("Calvenor");
        writer.setResolution(kResolution);
        writer.setPageLayout(layout);
        QPainter painter(&writer);
        const double devicePerTwip = kResolution / kTwipsPerInch;
        // The painter's origin is the printable area's corner: the margins are the layout's.
        ReportPainter reportPainter(painter, devicePerTwip, QPointF(0, 0), printableWidth,
                                    ordered.evaluator());
        if (subreports) reportPainter.setSubreports(&*subreports);
        // Growing text is measured with the painter's fonts before any page is drawn.
        std::vector<PlannedPage> pages =
            planPages(design, ordered.grouping(), {printableWidth, printableHeight},
                      [&](const design::Section& section, const RowScope& scope) {
                          return reportPainter.measure(section, scope);
                      });
        if (pages.size() > kMostPages) {
            pages.resize(kMostPages);
            drawn.omissions.insert("the pages past the " + std::to_string(kMostPages) + "th");
        }
        drawn.pages = static_cast<int>(pages.size());
        for (std::size_t i = 0; i < pages.size(); ++i) {
            if (i > 0) writer.newPage();
            reportPainter.drawPage(pages[i], {static_cast<int>(i + 1), static_cast<int>(pages.size())});
        }
        drawn.omissions.insert(reportPainter.omissions().begin(), reportPainter.omissions().end());
        if (hasEvents(design)) drawn.omissions.insert(kEventsNotRun);
    }
    drawn.pdf = buffer.data();
    return drawn;
}

}  // namespace platform::jet::render
