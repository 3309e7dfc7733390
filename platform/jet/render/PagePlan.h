#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/jet/design/ReportDesign.h"
#include "platform/jet/render/ReportEvaluator.h"
#include "platform/jet/render/ReportGrouping.h"

namespace platform::jet::render {

// A figure report code drew with Line, Circle, PSet or Print, in twips from the top left corner of its
// band's section (of the Page event's: of the printable area).
struct CodeFigure {
    enum class Kind { Line, Box, FilledBox, Circle, Point, Text };
    Kind kind = Kind::Line;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // a circle: its centre and, in x2, its radius
    std::optional<double> start, end;       // a circle's arc, in radians
    double aspect = 1;
    std::uint32_t color = 0;
    int drawWidth = 1;  // in the printer's dots
    std::string text;
    std::string fontName;
    double fontSize = 8;
    bool bold = false, italic = false;
};
using CodeFigures = std::vector<CodeFigure>;

// One section printed once, or one part of a section split over pages: where on its page (twips below
// the printable area's top, right of its left edge) and over which rows (positions in the grouping's
// order).
struct Band {
    const design::Section* section = nullptr;
    int top = 0;
    RowScope scope;
    int height = 0;  // the section's as laid out (its text grown or shrunk); of a part, the part's
    int offset = 0;  // of a part: how much of the section's top earlier pages printed
    int left = 0;    // of a band in a column other than the first: where its column starts
    int width = 0;   // of a band in a column: the column's; 0 for one across the page
    std::shared_ptr<const CodeFigures> figures = nullptr;  // what the section's code drew on it
};

// A section laid out over a scope's rows: its height, where its controls lie (twips from its top), so
// that a section split over pages is cut above a control rather than through it, and where its
// page-break controls start new pages.
struct SectionExtent {
    int height = 0;
    std::vector<std::pair<int, int>> controls;  // each control's top and bottom
    std::vector<int> pageBreaks;
};

using SectionMeasure = std::function<SectionExtent(const design::Section&, const RowScope&)>;

// Adds a control at its place in the section: a page break (where visible) or a control's span.
void addControl(const design::Control& control, int top, int height, SectionExtent& extent);

// The section as its design lays it out, nothing grown or shrunk.
SectionExtent designedExtent(const design::Section& section);

// More pages than any report prints: a design that asks for more is damaged or hostile.
inline constexpr std::size_t kMostPages = 100'000;

// How many sheets side by side each page of the report prints on: a report wider than the printable
// area prints what lies past its right edge on the sheets that follow, as many as its width needs.
inline constexpr int kMostPagesAcross = 20;
int pagesAcross(const design::ReportDesign& design, int printableWidth);

struct PlannedPage {
    std::vector<Band> bands;
    CodeFigures figures;  // what the Page event drew
};

// The events of a report's sections as its pages are laid out. Format comes before a section is
// measured (a second time, FormatCount 2, after Retreat, when it moved on to the next page), Print
// when its band is placed (in page order), Page after a page's sections and before its page footer
// prints.
class SectionEvents {
  public:
    virtual ~SectionEvents() = default;
    struct Formatted {
        const design::Section* section = nullptr;  // as the event leaves it; none: cancelled, it takes no room
        bool moveLayout = true;  // false: what follows is placed where this section was
        bool nextRecord = true;  // false: the same row's section comes again
    };
    virtual Formatted format(const design::Section& section, const RowScope& scope, int page, int formatCount) = 0;
    virtual void retreat(const design::Section& section, const RowScope& scope) = 0;
    // May replace the band's section by what it is to draw, and give it figures.
    virtual void print(Band& band, int page) = 0;
    virtual void page(PlannedPage& page, int number) = 0;
};

struct PrintableArea {
    int width = 0, height = 0;  // twips
};

// The report's sections placed on pages: the report header, then for each row the footers of the
// groups that end and the headers of those that start before its detail, then the report footer; a
// page header at each page's top and a page footer at its bottom, but for the report header's or
// footer's pages where the report leaves them off there. A section kept together that does not fit on
// what is left of a page starts the next, as does one that forces a new page; one not kept together,
// one taller than a page, and one with page-break controls are split over pages. A group header set to
// repeat prints again at the top of each page (or column) its group continues on. A group kept together
// starts the next page unless it fits below (kept with its first detail, or whole and no taller than a page,
// else as far as its first detail). In a report of several columns the details (and, laid out down then
// across, the group headers and footers) fill the columns, starting a new column or row where a section asks.
// Always at least one page, and at most one past kMostPages: a report that runs on past them stops
// there. With events, each section is placed as its events leave it.
std::vector<PlannedPage> planPages(const design::ReportDesign& design, const Grouping& grouping,
                                   PrintableArea area, const SectionMeasure& measure = {},
                                   SectionEvents* events = nullptr);

}  // namespace platform::jet::render
