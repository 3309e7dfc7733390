#include "platform/jet/render/ReportDocument.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <map>
#include <optional>

#include "platform/jet/render/PagePlan.h"
#include "platform/jet/render/PageSetup.h"
#include "platform/jet/render/ReportEvaluator.h"
#include "platform/jet/render/ReportGrouping.h"
#include "platform/jet/render/ReportPainter.h"

namespace platform::jet::render {
namespace {

constexpr int kResolution = 300;  // dots per inch of the document's drawing units
constexpr double kTwipsPerInch = 1440.0;

void collectSources(const design::Control& control, std::map<std::string, std::string>& sources) {
    if (!control.name.empty() && control.kind == design::ControlKind::TextBox)
        sources.emplace(control.name, control.controlSource);
    for (const auto& child : control.children) collectSources(child, sources);
}

// The rows in the order the report's grouping levels put them, with where each group starts.
query::RowSet groupedRows(const design::ReportDesign& design, const query::RowSet& rows,
                          const std::map<std::string, std::string>& sources, Grouping& grouping) {
    std::vector<std::vector<query::Value>> keys;
    {
        ReportEvaluator evaluator(rows, sources);
        for (const auto& level : design.groups) {
            std::vector<query::Value> values = evaluator.column(level.expression);
            for (auto& value : values) value = groupKey(value, level);
            keys.push_back(std::move(values));
        }
    }
    grouping = groupRows(design.groups, keys);
    if (design.groups.empty()) {
        grouping.order.resize(rows.rows.size());
        for (std::size_t i = 0; i < grouping.order.size(); ++i) grouping.order[i] = i;
    }
    query::RowSet ordered;
    ordered.columns = rows.columns;
    ordered.rows.reserve(rows.rows.size());
    for (std::size_t index : grouping.order) ordered.rows.push_back(rows.rows[index]);
    return ordered;
}

// Columns given a size of their own print each detail at its height.
design::ReportDesign withColumnSize(design::ReportDesign design) {
    if (design.page.columns > 1 && !design.page.sameAsDetail && design.page.itemHeight > 0)
        for (auto& section : design.sections)
            if (section.kind == design::SectionKind::Detail) section.height = design.page.itemHeight;
    return design;
}

}  // namespace

DrawnReport drawReport(const design::ReportDesign& designed, const query::RowSet& rows,
                       const std::string& title) {
    const design::ReportDesign design = withColumnSize(designed);
    std::map<std::string, std::string> sources;
    for (const auto& section : design.sections)
        for (const auto& control : section.controls) collectSources(control, sources);

    Grouping grouping;
    const query::RowSet ordered = groupedRows(design, rows, sources, grouping);
    ReportEvaluator evaluator(ordered, sources);

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
        ReportPainter reportPainter(painter, devicePerTwip, QPointF(0, 0), printableWidth, evaluator);
        // Growing text is measured with the painter's fonts before any page is drawn.
        const std::vector<PlannedPage> pages =
            planPages(design, grouping, {printableWidth, printableHeight},
                      [&](const design::Section& section, const RowScope& scope) {
                          return reportPainter.measure(section, scope);
                      });
        drawn.pages = static_cast<int>(pages.size());
        for (std::size_t i = 0; i < pages.size(); ++i) {
            if (i > 0) writer.newPage();
            reportPainter.drawPage(pages[i], {static_cast<int>(i + 1), static_cast<int>(pages.size())});
        }
        drawn.omissions = reportPainter.omissions();
    }
    drawn.pdf = buffer.data();
    return drawn;
}

}  // namespace platform::jet::render
