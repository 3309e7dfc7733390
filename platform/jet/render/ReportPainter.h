#pragma once

#include <QImage>
#include <QPainter>
#include <QPointF>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/jet/design/ReportDesign.h"
#include "platform/jet/query/AccessFormat.h"
#include "platform/jet/render/ListRows.h"
#include "platform/jet/render/PagePlan.h"
#include "platform/jet/render/ReportEvaluator.h"

namespace platform::jet::render {

class Subreports;

// Pictures decoded from their stored bytes, by those bytes.
using DecodedPictures = std::map<std::vector<std::uint8_t>, QImage>;

// Draws planned pages with a painter: each band's background and controls (labels, text boxes with
// their values, lines, rectangles, check boxes, pictures), text in the control's font, colours and
// alignment, clipped to the control. What it cannot draw is left out and named in omissions().
class ReportPainter {
  public:
    // devicePerTwip: the painter's units in a twip; origin: the printable area's top left corner.
    ReportPainter(QPainter& painter, double devicePerTwip, QPointF origin, int printableWidth,
                  ReportEvaluator& evaluator);
    ReportPainter(const ReportPainter&) = delete;  // it points at its own row sources
    ReportPainter& operator=(const ReportPainter&) = delete;

    // A page wider than the paper prints on pagesAcross sheets side by side, each the printable width's
    // next strip of it; across says which, from 0 at the left.
    void drawPage(const PlannedPage& page, const PageNumbers& numbers, int across = 0, int pagesAcross = 1);

    // Where subreport controls find their reports; without it they are left out.
    void setSubreports(Subreports* subreports) { subreports_ = subreports; }
    // Where list and combo boxes read their row sources; without it they show only value lists, and a
    // combo box its value.
    void setRowSources(ReportSource* source) {
        ownLists_ = ListRows(source);
        lists_ = &ownLists_;
        evaluator_.setListRows(lists_);
    }
    // Row sources read once for a whole document, for the painters of its subreports.
    void shareRowSources(ListRows& lists) {
        lists_ = &lists;
        evaluator_.setListRows(lists_);
    }

    // Pictures decoded once for a whole document, so that one shown many times (in each row's
    // subreport) is written to it once.
    void sharePictures(std::shared_ptr<DecodedPictures> pictures) { pictures_ = std::move(pictures); }

    // A control where it prints in its section (twips from the section's top); shrunk away when it
    // prints nothing.
    struct PlacedControl {
        const design::Control* control = nullptr;
        int top = 0;
        int height = 0;
        bool shrunk = false;
    };
    struct SectionLayout {
        int height = 0;
        std::vector<PlacedControl> controls;  // attached labels and option buttons after their control
    };
    // The section's controls laid out over the rows: text boxes that can grow (in a section that can
    // grow) as tall as their text, pushing down the controls that start below them; empty ones that
    // can shrink (in a section that can shrink) giving back the lines no other control shares, the
    // controls below moving up. The section grows and shrinks with them. Measuring and drawing both
    // lay sections out here.
    SectionLayout layOut(const design::Section& section, const RowScope& scope);
    // The layout as the page planner needs it.
    SectionExtent measure(const design::Section& section, const RowScope& scope);

    // The height a control takes in the band: a text box that can grow, as tall as its text; an empty
    // one that can shrink, none; a subreport, as tall as its linked rows draw; any other control, its
    // design's.
    int neededHeight(const design::Control& control, const Band& band);

    // What the drawing leaves out ("subreports", "charts", ...), for the document to say so.
    const std::set<std::string>& omissions() const { return omissions_; }

  private:
    void drawControl(const PlacedControl& placed, int bandTop, const Band& band, const PageNumbers& numbers);
    // What report code drew, top twips below the printable area's top.
    void drawFigures(const CodeFigures& figures, int top);
    void drawText(const design::Control& control, const QRectF& area, const std::string& text, bool number);
    // The same with what the text's format section asks besides: its color, "!" (left alignment) and the
    // fill of "*x".
    void drawText(const design::Control& control, const QRectF& area, const query::FormattedValue& formatted,
                  bool number);
    // A command or toggle button as Access prints it: a raised box with its caption.
    void drawButton(const design::Control& control, const QRectF& area);
    // A list box: its row source's rows, a line each, as many as fit, in the columns its widths show.
    void drawList(const design::Control& control, const QRectF& area);
    // The rows of a list or combo box; none, noted as an omission, where they cannot be read.
    const query::RowSet* rowsOf(const design::Control& control);
    // An image's stored picture, or the object in a bound frame's field, by its size mode.
    void drawPicture(const design::Control& control, const QRectF& area, const Band& band,
                     const PageNumbers& numbers);
    // An image control's picture, decoded once: the document then keeps one copy for all its pages.
    const QImage& pictureOf(const design::Control& control);
    // The control's value; none when its expression cannot be evaluated (noted as an omission, and what
    // the control shows instead kept in errorShown_).
    std::optional<query::Value> valueOf(const design::Control& control, const Band& band,
                                        const PageNumbers& numbers);
    // The control's rectangle on the page at its top (twips below the printable area's top) and height.
    QRectF areaOf(const design::Control& control, int top, int height) const;
    // The height in twips the text takes in the control's font at the control's width.
    int textHeight(const design::Control& control, const std::string& text);
    void setFontOf(const design::Control& control);

    QPainter& painter_;
    double scale_;
    QPointF origin_;
    int printableWidth_;
    ReportEvaluator& evaluator_;
    std::set<std::string> omissions_;
    std::string errorShown_;
    Subreports* subreports_ = nullptr;
    ListRows ownLists_{nullptr};
    ListRows* lists_ = &ownLists_;
    std::shared_ptr<DecodedPictures> pictures_ = std::make_shared<DecodedPictures>();
};

// The value a control shows in a section over the scope's rows: its running sum where it keeps one.
// Raises query::QueryError as ReportEvaluator::value does.
query::Value controlValue(ReportEvaluator& evaluator, const design::Control& control, const design::Section& section,
                          const RowScope& scope, const PageNumbers& numbers);

// A Windows COLORREF (0x00BBGGRR) as a colour; a system colour (high bit set) as the fallback.
QColor colorOf(std::uint32_t colorRef, const QColor& fallback);

}  // namespace platform::jet::render
