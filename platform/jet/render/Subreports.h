#pragma once

#include <QPainter>
#include <QPointF>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "platform/jet/design/ReportDesign.h"
#include "platform/jet/render/ReportEvaluator.h"
#include "platform/jet/render/ReportSource.h"

namespace platform::jet::render {

// Access prints subreports nested at most this deep.
inline constexpr int kMaxSubreportDepth = 7;

// The subreports of one document. Each report they show is read once through the source, its design
// and its record source's rows; a control shows it over the rows whose child fields hold the master's
// current values, its report header, groups, details and report footer one below another (a
// subreport prints no page header or footer). What cannot be shown leaves the control's area empty and
// is named in the omissions.
class Subreports {
  public:
    // mainReport: the report drawn, which no subreport may show again.
    Subreports(ReportSource& source, const std::string& mainReport);
    ~Subreports();
    Subreports(const Subreports&) = delete;
    Subreports& operator=(const Subreports&) = delete;

    // Where the control is drawn and with what: the master's rows around the band's scope.
    struct Place {
        QPainter& painter;
        double devicePerTwip;
        ReportEvaluator& master;
        const RowScope& scope;
        PageNumbers numbers;
        std::set<std::string>& omissions;
    };

    // The control's height: its subreport's drawn height, kept to the design's where the control
    // cannot grow or cannot shrink.
    int height(const design::Control& control, const Place& place);
    // Draws the control's subreport with its top left corner at topLeft (device units); the height drawn,
    // none for a subreport without rows.
    int draw(const design::Control& control, const Place& place, QPointF topLeft);
    // Draws a chart control in its area over its row source's rows linked as a subreport's are.
    void drawChart(const design::Control& control, const Place& place, const QRectF& area);

  private:
    struct Library;
    Subreports(Library& library, std::vector<std::string> chain);
    int show(const design::Control& control, const Place& place, std::optional<QPointF> topLeft);

    std::unique_ptr<Library> ownLibrary_;
    Library& library_;
    std::vector<std::string> chain_;  // the reports drawing this one, outermost first, lower case
    std::map<std::tuple<const design::Control*, std::size_t, std::size_t, std::size_t>, int> heights_;
};

}  // namespace platform::jet::render
