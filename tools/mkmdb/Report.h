#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/jet/design/ReportDesign.h"

// A report's design as we write it: what Access keeps of a report in the Access 2000 format, in the
// terms of its property sheet. Lengths are in twips (1/1440 inch); colours are Windows COLORREF values
// (0x00BBGGRR). What is left at its default here is left out of the stored design, as Access leaves it.
namespace mkmdb {

enum class ControlType { Label, TextBox, Line, Box, CheckBox, Subreport, PageBreak };

// Access's own numbers for these, as the reader has them.
using TextAlign = platform::jet::design::TextAlign;
using SectionType = platform::jet::design::SectionKind;
using GroupOn = platform::jet::design::GroupOn;

struct ReportControl {
    ControlType type = ControlType::Label;
    std::string name;  // empty: named as Access names a new control ("Label0", "Text1", ...)
    int left = 0, top = 0, width = 0, height = 0;
    // A label's caption; the control source of a text box or check box (a field, or "=expression");
    // a subreport's source object ("Report.NAME").
    std::string text;
    std::string format;           // text boxes: "Currency", "Short Date", "0.00%", ...
    std::optional<int> decimals;  // text boxes: 0 to 15; empty: as the format says
    int runningSum = 0;           // text boxes: 0 no, 1 over its group, 2 over the whole report
    bool canGrow = false, canShrink = false, hidden = false;
    std::string fontName;  // empty: the report's default, Arial
    int fontSize = 0;      // points; 0: 8, Access's own
    bool bold = false, italic = false, underline = false;
    TextAlign align = TextAlign::General;
    std::optional<std::uint32_t> color;             // text, or a line's or box's border
    std::optional<std::uint32_t> fillColor;         // a box filled with it; a box without one is transparent
    bool border = false;                            // labels and text boxes: drawn with a thin border
    std::string linkChildFields, linkMasterFields;  // subreports
    std::vector<ReportControl> attached;  // the label attached to a text box, check box or subreport
};

struct ReportSection {
    SectionType type = SectionType::Detail;
    int groupLevel = 0;         // group headers and footers: the index into Report::groups
    std::optional<int> height;  // empty: down to its lowest control
    bool keepTogether = false;
    int forceNewPage = 0;  // 0 none, 1 before, 2 after, 3 both
    std::optional<std::uint32_t> backColor;
    std::vector<ReportControl> controls;
};

// A level of sorting and grouping. Its header and footer sections exist when the report has them.
struct SortLevel {
    std::string expression;  // a field ("Order Date" or "[Order Date]") or "=expression"
    bool descending = false;
    GroupOn groupOn = GroupOn::EachValue;
    int groupInterval = 1;
    int keepTogether = 0;  // 0 no, 1 whole group, 2 with its first detail
};

enum class Orientation { Default, Portrait, Landscape };

struct ReportPage {
    Orientation orientation = Orientation::Default;
    int paperSize = 0;  // a Windows DMPAPER_ value; 0: the printer's
    int leftMargin = 1440, topMargin = 1440, rightMargin = 1440, bottomMargin = 1440;
    // Columns (labels, lists): items are details; their size is the detail's unless given.
    int columns = 1;
    int columnSpacing = 360, rowSpacing = 0;
    bool acrossThenDown = true;
    int itemWidth = 0, itemHeight = 0;  // 0: the report's width, the detail's height
};

struct Report {
    std::string recordSource;  // a table, a saved query or SQL text; empty: unbound
    std::string caption;       // empty: the report's name
    std::optional<int> width;  // empty: out to its rightmost control
    ReportPage page;
    std::vector<SortLevel> groups;
    // In any order; the writer stores them in Access's. Access's report always has a detail, and its
    // report and page headers come with their footers: what is missing of these is written empty.
    std::vector<ReportSection> sections;
};

}  // namespace mkmdb
