#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/jet/design/Macro.h"

// A report's design as plain values, read from the file: what the renderer draws and the describe tool
// prints. Lengths are in twips (1/1440 inch); colours are Windows COLORREF values (0x00BBGGRR).
namespace platform::jet::design {

enum class ControlKind {
    Label,
    Rectangle,
    Line,
    Image,
    CommandButton,
    OptionButton,
    CheckBox,
    OptionGroup,
    BoundObjectFrame,
    TextBox,
    ListBox,
    ComboBox,
    Subreport,
    Chart,
    ObjectFrame,
    PageBreak,
    ToggleButton,
    Tab,
    Page,
    Other,
};

enum class SectionKind {
    ReportHeader,
    PageHeader,
    GroupHeader,
    Detail,
    GroupFooter,
    PageFooter,
    ReportFooter
};

// Access's GroupOn values.
enum class GroupOn { EachValue, Prefix, Year, Quarter, Month, Week, Day, Hour, Minute, Interval };

enum class TextAlign { General, Left, Center, Right, Distribute };

// A form's DefaultView, as Access numbers it.
enum class FormView { Single, Continuous, Datasheet, PivotTable, PivotChart, Split };

// A form's section or control: where it shows (DisplayWhen). Reports print all of theirs.
enum class DisplayWhen { Always, PrintOnly, ScreenOnly };

struct Font {
    std::string name;
    int size = 0;  // points
    int weight = 0;
    bool italic = false;
    bool underline = false;
};

struct Control {
    ControlKind kind = ControlKind::Other;
    int typeCode = 0;  // as stored, for kinds this model does not name
    std::string name;
    int left = 0, top = 0, width = 0, height = 0;
    std::string caption;        // labels, buttons
    std::string controlSource;  // a field, or "=expression"
    std::string format;
    int decimalPlaces = 255;  // 255: as the format says
    Font font;
    TextAlign textAlign = TextAlign::General;
    std::uint32_t foreColor = 0, backColor = 0, borderColor = 0;
    int backStyle = 0;  // 0 transparent, 1 normal
    int borderStyle = 0;
    int borderWidth = 0;
    int borderLineStyle = 0;
    int specialEffect = 0;
    bool visible = true;
    DisplayWhen displayWhen = DisplayWhen::Always;
    int tabIndex = 0;        // a text, combo or check box's place in its section's tab order, from 0
    bool lineSlant = false;  // a line's: from its bottom left to its top right, else top left to bottom right
    bool canGrow = false, canShrink = false;
    int runningSum = 0;        // a text box's: 0 no, 1 over its group, 2 over the whole report
    int sizeMode = 0;          // a picture's: 0 clip, 1 stretch, 3 zoom
    int pictureAlignment = 0;  // 0 top left, 1 top right, 2 centre, 3 bottom left, 4 bottom right
    std::string sourceObject;  // a subreport's "Report.NAME" or table
    std::string linkChildFields, linkMasterFields;
    // A list or combo box's rows: RowSourceType "Table/Query" (or empty) names a table, a saved query or
    // SQL in rowSource, "Value List" holds the values themselves; columnWidths are twips separated by ";".
    std::string rowSourceType, rowSource, columnWidths;
    int columnCount = 1;
    int boundColumn = 1;  // the column, from 1, whose value is the control's
    bool columnHeads = false;
    std::vector<std::uint8_t> picture;  // an image's stored picture; a chart's OLE data
    std::vector<Control> children;      // an attached label, an option group's buttons
};

struct Section {
    SectionKind kind = SectionKind::Detail;
    int groupLevel = 0;  // for group headers and footers: the index into ReportDesign::groups
    std::string name;
    int height = 0;
    std::uint32_t backColor = 0;
    bool visible = true;
    DisplayWhen displayWhen = DisplayWhen::Always;
    bool canGrow = false, canShrink = false;
    int forceNewPage = 0;        // 0 none, 1 before, 2 after, 3 before and after
    int newRowOrCol = 0;         // in columns: the same values, for a new column (or row) in place of a page
    bool keepTogether = false;   // one that fits on a page is not split
    bool repeatSection = false;  // a group header: printed again at the top of each page or column its
                                 // group continues on
    std::vector<Control> controls;
    // What its events run, as the design names it: a macro, or "[Event Procedure]" for Visual Basic.
    std::string onFormat, onPrint, onRetreat, onPaint;
};

struct GroupLevel {
    std::string expression;  // a field, or "=expression"
    bool descending = false;
    GroupOn groupOn = GroupOn::EachValue;
    int groupInterval = 1;
    bool header = false, footer = false;
    int keepTogether = 0;  // 0 no, 1 whole group, 2 with first detail
};

struct PageSetup {
    int leftMargin = 0, topMargin = 0, rightMargin = 0, bottomMargin = 0;
    bool landscape = false;
    int paperSize = 0;                    // a Windows DMPAPER_ value; 0 when the design does not say
    int paperWidth = 0, paperLength = 0;  // tenths of a millimetre; 0 when the design does not say
    // Columns (labels, lists): items are details, and in a layout down then across group headers and
    // footers too; their size is the detail's unless sameAsDetail is off.
    int columns = 1;
    int columnSpacing = 0, rowSpacing = 0;
    bool sameAsDetail = true;
    int itemWidth = 0, itemHeight = 0;
    bool acrossThenDown = true;  // else down then across
};

// Bits of Access's PageHeader and PageFooter settings: the pages the page header or footer is left off.
inline constexpr int kNotWithReportHeader = 1, kNotWithReportFooter = 2;

// A report's design, or a form's: a form's header and footer are its report header and footer.
struct ReportDesign {
    std::optional<FormView> formView;  // a form's; none for a report
    std::string recordSource;  // a table, a saved query, or SQL text
    std::string caption;       // empty when it is the report's name
    std::string filter;        // as saved (its FilterOn, never found stored, is Access's default: No)
    // A form's PivotTable and PivotChart views as Office Web Components save them (XML); empty where none.
    std::string pivotTable, chartSpace;
    int width = 0;
    int pageHeaderNotWith = 0, pageFooterNotWith = 0;  // kNotWith... bits; 0 on every page
    PageSetup page;
    std::vector<GroupLevel> groups;
    std::vector<Section> sections;  // in the order Access prints them
    // What the report's own events run, as the sections' do; "[Embedded Macro]" for a macro kept in
    // embeddedMacros.
    std::string onOpen, onClose, onNoData, onPage, onActivate;
    // Macros kept in the design itself, by event: "Report.OnOpen", "<section name>.OnFormat".
    std::map<std::string, Macro> embeddedMacros;
};

inline constexpr const char* kEmbeddedMacro = "[Embedded Macro]";

const char* controlKindName(ControlKind kind);
const char* sectionKindName(SectionKind kind);

}  // namespace platform::jet::design
