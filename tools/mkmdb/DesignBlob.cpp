#include "DesignBlob.h"

#include <algorithm>
#include <map>
#include <set>

#include "Utf16.h"
#include "base/AsciiCase.h"
#include "platform/jet/design/DesignProperties.h"
#include "platform/jet/design/PrintSetupLayout.h"

namespace mkmdb {
namespace {

namespace design = platform::jet::design;
namespace object = platform::jet::design::object_type;
namespace print = platform::jet::design::print_setup;
using design::Property;

constexpr std::uint16_t kVersion = 0x13;  // the Access 2000 format's: texts in UTF-16
constexpr std::uint8_t kNextSibling = 0xFD, kSingleChild = 0xFE, kChildGroup = 0xFF;
// A value of the variable-size slots longer than this has its length in the two bytes after it.
constexpr std::size_t kLongValue = 0xFF;

// Slots our reader has no use for, filled as Access fills them: the tab order of the controls that
// take the focus, and the pitch and family of a font beside its name (Windows' LOGFONT byte).
constexpr std::uint8_t kTextBoxTabIndex = 0x6B, kCheckBoxTabIndex = 0x69, kSubreportTabIndex = 0x64;
constexpr std::uint8_t kLabelFontFamily = 0x38, kTextBoxFontFamily = 0x3C;
// The report's own: the number Access gives the next new control, and when the design was saved.
constexpr std::uint8_t kControlCounter = 0x67, kSavedAt = 0xCE;

// What every report Access writes in this format holds beside its own values (Northwind's, all or all
// but one of them): flags and small numbers whose meaning is not known, set to what Access sets.
constexpr std::uint8_t kReportFlags[] = {0x02, 0x0F};
constexpr std::pair<std::uint8_t, std::uint8_t> kReportBytes[] = {{0x30, 0}, {0x3A, 1}, {0x3C, 1},
                                                                  {0x3D, 2}, {0x42, 0}, {0x65, 10}};

constexpr char kDefaultFont[] = "Arial";  // the prototypes' font, as new Access 2000 reports have it
constexpr std::size_t kDevModeBytes = 148;
constexpr std::uint16_t kDevModeVersion = 0x0400;

// One object's properties, by slot. The slot's range gives its value's size: none (a flag), one, two or
// four bytes, and from 0xBC on a length and that many bytes.
class Properties {
  public:
    void flag(std::uint8_t slot) { values_[slot].clear(); }

    void number(std::uint8_t slot, std::int64_t value) {
        const std::size_t size = slot < 0x30 ? 0 : slot < 0x60 ? 1 : slot < 0x9C ? 2 : slot < 0xBC ? 4 : 0;
        if (size == 0) throw Error("internal: slot " + std::to_string(slot) + " holds no number");
        Bytes bytes;
        for (std::size_t i = 0; i < size; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        values_[slot] = std::move(bytes);
    }

    void text(std::uint8_t slot, const std::string& text) {
        Bytes bytes;
        appendUtf16Le(bytes, toUtf16(text, "a text of the design"));
        values_[slot] = std::move(bytes);
    }

    void bytes(std::uint8_t slot, Bytes value) { values_[slot] = std::move(value); }

    void encodeTo(Bytes& out) const {
        for (const auto& [slot, value] : values_) {
            out.push_back(slot);
            if (slot >= 0xBC) {
                if (value.size() < kLongValue) {
                    out.push_back(static_cast<std::uint8_t>(value.size()));
                } else {
                    out.push_back(static_cast<std::uint8_t>(kLongValue));
                    appendU16(out, static_cast<std::uint16_t>(value.size()));
                }
            }
            out.insert(out.end(), value.begin(), value.end());
        }
    }

  private:
    std::map<std::uint8_t, Bytes> values_;  // in the order of their slots, as Access writes them
};

struct Node {
    std::uint16_t type = 0;
    Properties properties;
    std::vector<Node> children;
};

// An object is its properties, then its children: one behind a single-child marker, more as a group
// that counts them, each further one behind a sibling marker.
void encodeNode(const Node& node, Bytes& out) {
    node.properties.encodeTo(out);
    for (std::size_t i = 0; i < node.children.size(); ++i) {
        const Node& child = node.children[i];
        if (i > 0) {
            out.push_back(kNextSibling);
        } else if (node.children.size() == 1) {
            out.push_back(kSingleChild);
        } else {
            out.push_back(kChildGroup);
            appendU16(out, static_cast<std::uint16_t>(node.children.size()));
        }
        appendU16(out, child.type);
        encodeNode(child, out);
    }
}

std::uint8_t slotOf(std::uint16_t type, Property property) {
    const auto slot = design::slotOfProperty(type, property);
    if (!slot || *slot > 0xFF)
        throw Error("internal: no slot for " + std::string(design::propertyName(property)));
    return static_cast<std::uint8_t>(*slot);
}

// Setters by property, leaving out what equals Access's own value, as Access does.
class ObjectWriter {
  public:
    explicit ObjectWriter(Node& node) : node_(node) {}

    void number(Property property, std::int64_t value) {
        const auto fallback = design::defaultValue(node_.type, property);
        if (std::holds_alternative<std::int64_t>(fallback) && std::get<std::int64_t>(fallback) == value)
            return;
        node_.properties.number(slotOf(node_.type, property), value);
    }
    void flag(Property property, bool set) {
        if (set) node_.properties.flag(slotOf(node_.type, property));
    }
    void text(Property property, const std::string& value) {
        if (!value.empty()) node_.properties.text(slotOf(node_.type, property), value);
    }
    void colour(Property property, const std::optional<std::uint32_t>& value) {
        if (value) number(property, *value);
    }
    Properties& raw() { return node_.properties; }

  private:
    Node& node_;
};

// Access keeps a lone field without its brackets ("Order Date"), an expression as written.
std::string storedFieldOrExpression(const std::string& text) {
    if (text.size() > 2 && text.front() == '[' && text.back() == ']' &&
        text.find_first_of("[]", 1) == text.size() - 1)
        return text.substr(1, text.size() - 2);
    return text;
}

// Each kind of control: its object type, and the name Access gives a new one, before its control counter.
struct ControlInfo {
    ControlType type;
    std::uint16_t objectType;
    const char* namePrefix;
};
constexpr ControlInfo kControlInfo[] = {
    {ControlType::Label, object::kLabel, "Label"},
    {ControlType::TextBox, object::kTextBox, "Text"},
    {ControlType::Line, object::kLine, "Line"},
    {ControlType::Box, object::kRectangle, "Box"},
    {ControlType::CheckBox, object::kCheckBox, "Check"},
    {ControlType::Subreport, object::kSubreport, "Child"},
    {ControlType::PageBreak, object::kPageBreak, "PageBreak"},
};

const ControlInfo& infoOf(ControlType type) {
    return *std::find_if(std::begin(kControlInfo), std::end(kControlInfo),
                         [&](const ControlInfo& info) { return info.type == type; });
}

// Each kind of section: its object type, the name Access 2000 gives it (a group's followed by its
// number), and where it prints: group headers from the outermost level in, footers from the innermost
// out.
struct SectionInfo {
    SectionType type;
    std::uint16_t objectType;
    const char* name;
    int order, orderPerLevel;
};
constexpr SectionInfo kSectionInfo[] = {
    {SectionType::ReportHeader, object::kReportHeader, "ReportHeader", 0, 0},
    {SectionType::PageHeader, object::kPageHeader, "PageHeaderSection", 1, 0},
    {SectionType::GroupHeader, object::kGroupHeader, "GroupHeader", 100, 1},
    {SectionType::Detail, object::kDetail, "Detail", 200, 0},
    {SectionType::GroupFooter, object::kGroupFooter, "GroupFooter", 300, -1},
    {SectionType::PageFooter, object::kPageFooter, "PageFooterSection", 400, 0},
    {SectionType::ReportFooter, object::kReportFooter, "ReportFooter", 401, 0},
};

const SectionInfo& infoOf(SectionType type) {
    return *std::find_if(std::begin(kSectionInfo), std::end(kSectionInfo),
                         [&](const SectionInfo& info) { return info.type == type; });
}

int printOrder(const ReportSection& section) {
    const auto& info = infoOf(section.type);
    return info.order + info.orderPerLevel * section.groupLevel;
}

// Windows' pitch and family of the fonts reports use most; others are left to the prototype's.
std::optional<int> fontFamilyOf(const std::string& font) {
    static const std::map<std::string, int> families{
        {"Arial", 0x22},   {"Times New Roman", 0x12}, {"Courier New", 0x31}, {"Tahoma", 0x22},
        {"Verdana", 0x22}, {"MS Sans Serif", 0x22},   {"Calibri", 0x22},     {"Georgia", 0x12}};
    const auto found = families.find(font);
    return found == families.end() ? std::nullopt : std::optional<int>(found->second);
}

void writeFont(const ReportControl& control, ObjectWriter& object, std::uint8_t familySlot) {
    if (!control.fontName.empty() && control.fontName != kDefaultFont) {
        object.text(Property::FontName, control.fontName);
        if (const auto family = fontFamilyOf(control.fontName)) object.raw().number(familySlot, *family);
    }
    if (control.fontSize > 0) object.number(Property::FontSize, control.fontSize);
    object.number(Property::FontWeight, control.bold ? 700 : 400);
    object.flag(Property::FontItalic, control.italic);
    object.flag(Property::FontUnderline, control.underline);
}

Node controlNode(const ReportControl& control, int tabIndex) {
    Node node{infoOf(control.type).objectType, {}, {}};
    ObjectWriter object(node);
    object.text(Property::Name, control.name);
    object.number(Property::Top, control.top);
    if (control.type != ControlType::PageBreak) {  // a page break has only its top
        object.number(Property::Left, control.left);
        object.number(Property::Width, control.width);
        object.number(Property::Height, control.height);
    }
    object.flag(Property::Hidden, control.hidden);
    switch (control.type) {
        case ControlType::Label:
            object.text(Property::Caption, control.text);
            writeFont(control, object, kLabelFontFamily);
            object.number(Property::TextAlign, static_cast<int>(control.align));
            object.colour(Property::ForeColor, control.color);
            if (control.border) object.raw().number(slotOf(node.type, Property::BorderStyle), 1);
            break;
        case ControlType::TextBox:
            object.text(Property::ControlSource, storedFieldOrExpression(control.text));
            object.text(Property::Format, control.format);
            if (control.decimals) object.number(Property::DecimalPlaces, *control.decimals);
            object.number(Property::RunningSum, control.runningSum);
            object.flag(Property::CanGrow, control.canGrow);
            object.flag(Property::CanShrink, control.canShrink);
            writeFont(control, object, kTextBoxFontFamily);
            object.number(Property::TextAlign, static_cast<int>(control.align));
            object.colour(Property::ForeColor, control.color);
            // The prototype takes the border away; one asked for is stored, although Access has it built in.
            if (control.border) object.raw().number(slotOf(node.type, Property::BorderStyle), 1);
            if (tabIndex > 0) object.raw().number(kTextBoxTabIndex, tabIndex);
            break;
        case ControlType::Line:
            object.colour(Property::BorderColor, control.color);
            break;
        case ControlType::Box:
            if (control.fillColor)
                object.colour(Property::BackColor, control.fillColor);
            else
                object.raw().number(slotOf(node.type, Property::BackStyle), 0);  // transparent
            object.colour(Property::BorderColor, control.color);
            break;
        case ControlType::CheckBox:
            object.text(Property::ControlSource, storedFieldOrExpression(control.text));
            if (tabIndex > 0) object.raw().number(kCheckBoxTabIndex, tabIndex);
            break;
        case ControlType::Subreport:
            object.text(Property::SourceObject, control.text);
            object.text(Property::LinkChildFields, control.linkChildFields);
            object.text(Property::LinkMasterFields, control.linkMasterFields);
            if (tabIndex > 0) object.raw().number(kSubreportTabIndex, tabIndex);
            break;
        case ControlType::PageBreak:
            break;
    }
    for (const auto& label : control.attached) node.children.push_back(controlNode(label, 0));
    return node;
}

bool takesTheFocus(ControlType type) {
    return type == ControlType::TextBox || type == ControlType::CheckBox || type == ControlType::Subreport;
}

Node sectionNode(const ReportSection& section, const std::string& name) {
    Node node{infoOf(section.type).objectType, {}, {}};
    ObjectWriter object(node);
    object.text(Property::Name, name);
    object.number(Property::Height, section.height.value_or(0));
    object.number(Property::GroupLevel, section.groupLevel);
    object.flag(Property::SectionKeepTogether, section.keepTogether);
    object.number(Property::ForceNewPage, section.forceNewPage);
    object.colour(Property::BackColor, section.backColor);
    // Access lets a section grow once a control in it can.
    object.flag(Property::CanGrow,
                std::any_of(section.controls.begin(), section.controls.end(),
                            [](const auto& c) { return c.canGrow || c.type == ControlType::Subreport; }));
    int tabIndex = 0;
    for (const auto& control : section.controls)
        node.children.push_back(controlNode(control, takesTheFocus(control.type) ? tabIndex++ : 0));
    return node;
}

bool hasSection(const Report& report, SectionType type, int level) {
    return std::any_of(report.sections.begin(), report.sections.end(),
                       [&](const ReportSection& s) { return s.type == type && s.groupLevel == level; });
}

Node groupLevelNode(const Report& report, const SortLevel& level, int index) {
    Node node{object::kGroupLevel, {}, {}};
    ObjectWriter object(node);
    object.text(Property::ControlSource, storedFieldOrExpression(level.expression));
    object.flag(Property::SortDescending, level.descending);
    object.flag(Property::GroupHeader, hasSection(report, SectionType::GroupHeader, index));
    object.flag(Property::GroupFooter, hasSection(report, SectionType::GroupFooter, index));
    object.number(Property::KeepTogether, level.keepTogether);
    object.number(Property::GroupOn, static_cast<int>(level.groupOn));
    object.number(Property::GroupInterval, level.groupInterval);
    return node;
}

// Northwind's Alphabetical List of Products, a report as Access 2000 makes one, holds these: label and
// text box in Arial, the label transparent and the text box without a border, list and combo boxes in
// Arial.
std::vector<Node> prototypes() {
    std::vector<Node> nodes(4);
    nodes[0].type = object::kLabel;
    nodes[0].properties.number(0x32, 0);
    nodes[0].properties.number(kLabelFontFamily, 2);
    nodes[0].properties.text(0xDE, kDefaultFont);
    nodes[1].type = object::kTextBox;
    nodes[1].properties.number(0x35, 0);
    nodes[1].properties.number(kTextBoxFontFamily, 2);
    nodes[1].properties.text(0xE8, kDefaultFont);
    nodes[2].type = object::kListBox;
    nodes[2].properties.number(0x37, 2);
    nodes[2].properties.text(0xEA, kDefaultFont);
    nodes[3].type = object::kComboBox;
    nodes[3].properties.number(0x3A, 2);
    nodes[3].properties.text(0xEA, kDefaultFont);
    return nodes;
}

int detailHeight(const Report& report) {
    for (const auto& section : report.sections)
        if (section.type == SectionType::Detail) return section.height.value_or(0);
    return 0;
}

Bytes prtMip(const Report& report) {
    const ReportPage& page = report.page;
    Bytes mip(print::kMipSize, 0);
    const auto put = [&](std::size_t at, std::int64_t value) {
        putU32(mip, at, static_cast<std::uint32_t>(value));
    };
    put(print::kMipLeft, page.leftMargin);
    put(print::kMipTop, page.topMargin);
    put(print::kMipRight, page.rightMargin);
    put(print::kMipBottom, page.bottomMargin);
    put(print::kMipItemWidth, page.itemWidth > 0 ? page.itemWidth : report.width.value_or(0));
    put(print::kMipItemHeight, page.itemHeight > 0 ? page.itemHeight : detailHeight(report));
    put(print::kMipDefaultSize, page.itemWidth == 0 && page.itemHeight == 0);
    put(print::kMipColumns, page.columns);
    put(print::kMipColumnSpacing, page.columnSpacing);
    put(print::kMipRowSpacing, page.rowSpacing);
    put(print::kMipItemLayout, page.acrossThenDown ? print::kAcrossThenDown : print::kDownThenAcross);
    put(print::kMipFastPrint, 1);
    put(print::kMipDatasheet, 1);
    return mip;
}

// A DEVMODE of no printer in particular: only the orientation and paper asked for.
std::optional<Bytes> prtDevMode(const ReportPage& page) {
    if (page.orientation == Orientation::Default && page.paperSize == 0) return std::nullopt;
    Bytes devMode(kDevModeBytes, 0);
    putU16(devMode, print::kDevModeSpecVersion, kDevModeVersion);
    putU16(devMode, print::kDevModeSize, static_cast<std::uint16_t>(kDevModeBytes));
    std::uint32_t fields = 0;
    if (page.orientation != Orientation::Default) {
        fields |= print::kFieldOrientation;
        putU16(devMode, print::kDevModeOrientation,
               page.orientation == Orientation::Landscape ? print::kLandscape : print::kPortrait);
    }
    if (page.paperSize != 0) {
        fields |= print::kFieldPaperSize;
        putU16(devMode, print::kDevModePaperSize, static_cast<std::uint16_t>(page.paperSize));
    }
    putU32(devMode, print::kDevModeFields, fields);
    return devMode;
}

int countControls(const std::vector<ReportControl>& controls) {
    int count = 0;
    for (const auto& control : controls) count += 1 + countControls(control.attached);
    return count;
}

Node reportNode(const Report& report, Timestamp saved) {
    Node root{object::kReport, {}, {}};
    ObjectWriter object(root);
    for (const auto slot : kReportFlags) root.properties.flag(slot);
    for (const auto& [slot, value] : kReportBytes) root.properties.number(slot, value);
    root.properties.number(slotOf(object::kReport, Property::Width), report.width.value_or(0));
    int controls = 0;
    for (const auto& section : report.sections) controls += countControls(section.controls);
    root.properties.number(kControlCounter, controls);
    Bytes savedAt(8);
    putDouble(savedAt, 0, saved.days);
    root.properties.bytes(kSavedAt, savedAt);
    object.text(Property::RecordSource, report.recordSource);
    object.text(Property::Caption, report.caption);
    root.properties.bytes(slotOf(object::kReport, Property::PrtMip), prtMip(report));
    if (auto devMode = prtDevMode(report.page))
        root.properties.bytes(slotOf(object::kReport, Property::PrtDevMode), std::move(*devMode));

    root.children = prototypes();
    for (std::size_t i = 0; i < report.groups.size(); ++i)
        root.children.push_back(groupLevelNode(report, report.groups[i], static_cast<int>(i)));
    // Access numbers the group sections as it makes them: a level's header, then its footer.
    std::map<std::pair<SectionType, int>, int> groupSectionNumbers;
    int next = 0;
    for (int level = 0; level < static_cast<int>(report.groups.size()); ++level)
        for (const auto type : {SectionType::GroupHeader, SectionType::GroupFooter})
            if (hasSection(report, type, level)) groupSectionNumbers[{type, level}] = next++;
    for (const auto& section : report.sections) {
        std::string name = infoOf(section.type).name;
        if (const auto number = groupSectionNumbers.find({section.type, section.groupLevel});
            number != groupSectionNumbers.end())
            name += std::to_string(number->second);
        root.children.push_back(sectionNode(section, name));
    }
    return root;
}

int lowestEdge(const std::vector<ReportControl>& controls) {
    int lowest = 0;
    for (const auto& control : controls)
        lowest = std::max({lowest, control.top + control.height, lowestEdge(control.attached)});
    return lowest;
}

int rightmostEdge(const std::vector<ReportControl>& controls) {
    int rightmost = 0;
    for (const auto& control : controls)
        rightmost = std::max({rightmost, control.left + control.width, rightmostEdge(control.attached)});
    return rightmost;
}

template <typename Visit>
void forEachControl(std::vector<ReportControl>& controls, const Visit& visit) {
    for (auto& control : controls) {
        visit(control);
        forEachControl(control.attached, visit);
    }
}

}  // namespace

Report completeReport(const Report& given) {
    Report report = given;
    const auto add = [&](SectionType type) { report.sections.push_back({type, 0, 0, false, 0, {}, {}}); };
    const auto has = [&](SectionType type) { return hasSection(report, type, 0); };
    for (const auto& [first, second] : {std::pair{SectionType::ReportHeader, SectionType::ReportFooter},
                                        std::pair{SectionType::PageHeader, SectionType::PageFooter}}) {
        if (has(first) && !has(second)) add(second);
        if (has(second) && !has(first)) add(first);
    }
    if (!has(SectionType::Detail)) add(SectionType::Detail);
    std::stable_sort(report.sections.begin(), report.sections.end(),
                     [](const auto& a, const auto& b) { return printOrder(a) < printOrder(b); });

    int width = 0;
    for (auto& section : report.sections) {
        if (!section.height) section.height = lowestEdge(section.controls);
        width = std::max(width, rightmostEdge(section.controls));
    }
    if (!report.width) report.width = width;

    // Every control has a name: one given, or its kind's with the next number of Access's counter that
    // no other control has.
    std::set<std::string> taken;
    for (auto& section : report.sections)
        forEachControl(section.controls, [&](const ReportControl& c) {
            if (!c.name.empty()) taken.insert(base::lowerAscii(c.name));
        });
    int counter = 0;
    for (auto& section : report.sections)
        forEachControl(section.controls, [&](ReportControl& c) {
            if (!c.name.empty()) {
                ++counter;
                return;
            }
            do c.name = infoOf(c.type).namePrefix + std::to_string(counter++);
            while (taken.contains(base::lowerAscii(c.name)));
            taken.insert(base::lowerAscii(c.name));
        });
    return report;
}

Bytes encodeReportDesign(const Report& report, Timestamp saved) {
    Bytes blob;
    appendU16(blob, kVersion);
    appendU16(blob, kVersion);
    appendU32(blob, 0);
    appendU16(blob, object::kReport);
    encodeNode(reportNode(completeReport(report), saved), blob);
    blob.push_back(kNextSibling);  // Access ends a design with a lone sibling marker
    return blob;
}

}  // namespace mkmdb
