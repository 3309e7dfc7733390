#include "platform/jet/design/DesignDescription.h"

#include <cstdio>
#include <sstream>
#include <string>

namespace platform::jet::design {
namespace {

const char* groupOnName(GroupOn groupOn) {
    static constexpr const char* kNames[] = {"EachValue", "Prefix", "Year", "Quarter", "Month",
                                             "Week",      "Day",    "Hour", "Minute",  "Interval"};
    return kNames[static_cast<int>(groupOn)];
}

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out + "\"";
}

std::string colour(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "#%06X", value & 0xFFFFFFu);
    return text;
}

void describeControl(std::ostringstream& out, const Control& control, int depth) {
    out << std::string(2 * depth, ' ') << controlKindName(control.kind);
    if (control.kind == ControlKind::Other) out << '(' << control.typeCode << ')';
    out << ' ' << quoted(control.name) << " at " << control.left << ',' << control.top << " size "
        << control.width << 'x' << control.height;
    if (!control.caption.empty()) out << " caption=" << quoted(control.caption);
    if (!control.controlSource.empty()) out << " source=" << quoted(control.controlSource);
    if (!control.format.empty()) out << " format=" << quoted(control.format);
    if (control.decimalPlaces != 255) out << " decimals=" << control.decimalPlaces;
    const bool list = control.kind == ControlKind::ListBox || control.kind == ControlKind::ComboBox;
    if (list)
        out << " rows=" << quoted(control.rowSourceType) << ':' << quoted(control.rowSource)
            << " columns=" << control.columnCount << " widths=" << quoted(control.columnWidths)
            << " bound=" << control.boundColumn << (control.columnHeads ? " heads" : "");
    if (control.kind == ControlKind::Label || control.kind == ControlKind::TextBox || list) {
        out << " font=" << quoted(control.font.name) << ' ' << control.font.size << "pt w"
            << control.font.weight;
        if (control.font.italic) out << " italic";
        if (control.font.underline) out << " underline";
        out << " align=" << static_cast<int>(control.textAlign) << " fore=" << colour(control.foreColor);
    }
    out << " back=" << colour(control.backColor) << '/' << control.backStyle
        << " border=" << colour(control.borderColor) << '/' << control.borderStyle << '/'
        << control.borderWidth;
    if (!control.visible) out << " hidden";
    if (control.canGrow) out << " cangrow";
    if (control.canShrink) out << " canshrink";
    if (control.runningSum) out << " runningsum=" << control.runningSum;
    if (control.kind == ControlKind::Image || control.kind == ControlKind::BoundObjectFrame)
        out << " sizemode=" << control.sizeMode << " align=" << control.pictureAlignment;
    if (!control.sourceObject.empty())
        out << " object=" << quoted(control.sourceObject) << " child=" << quoted(control.linkChildFields)
            << " master=" << quoted(control.linkMasterFields);
    if (!control.picture.empty()) out << " picture=" << control.picture.size() << " bytes";
    out << '\n';
    for (const auto& child : control.children) describeControl(out, child, depth + 1);
}

const char* notWithText(int notWith) {
    static constexpr const char* kTexts[] = {"none", "report header", "report footer",
                                             "report header/footer"};
    return kTexts[notWith & 3];
}

}  // namespace

std::string describeReportDesign(const ReportDesign& report) {
    std::ostringstream out;
    out << "record source " << quoted(report.recordSource) << '\n';
    if (!report.caption.empty()) out << "caption " << quoted(report.caption) << '\n';
    if (!report.filter.empty()) out << "filter " << quoted(report.filter) << '\n';
    const PageSetup& page = report.page;
    out << "width " << report.width << "\npage margins " << page.leftMargin << ',' << page.topMargin << ','
        << page.rightMargin << ',' << page.bottomMargin << (page.landscape ? " landscape" : " portrait")
        << " paper " << page.paperSize << '\n';
    if (page.columns > 1)
        out << "columns " << page.columns << (page.acrossThenDown ? " across then down" : " down then across")
            << " spacing " << page.columnSpacing << " rows " << page.rowSpacing << " item "
            << (page.sameAsDetail ? std::string("as detail")
                                  : std::to_string(page.itemWidth) + 'x' + std::to_string(page.itemHeight))
            << '\n';
    if (report.pageHeaderNotWith || report.pageFooterNotWith)
        out << "page header not with " << notWithText(report.pageHeaderNotWith) << ", page footer not with "
            << notWithText(report.pageFooterNotWith) << '\n';
    const std::pair<const char*, const std::string*> events[] = {
        {"onopen", &report.onOpen},   {"onclose", &report.onClose},      {"onnodata", &report.onNoData},
        {"onpage", &report.onPage}, {"onactivate", &report.onActivate},
    };
    for (const auto& [event, text] : events)
        if (!text->empty()) out << "event " << event << '=' << quoted(*text) << '\n';
    for (const auto& [event, macro] : report.embeddedMacros) {
        out << "embedded macro " << quoted(event) << '\n';
        for (const auto& row : macro.rows)
            if (const std::string line = describeMacroRow(row); !line.empty()) out << "  " << line << '\n';
    }
    for (const auto& level : report.groups) {
        out << "group " << quoted(level.expression) << (level.descending ? " descending" : " ascending")
            << " on " << groupOnName(level.groupOn) << ' ' << level.groupInterval;
        if (level.header) out << " header";
        if (level.footer) out << " footer";
        out << " keep=" << level.keepTogether << '\n';
    }
    for (const auto& section : report.sections) {
        out << "section " << sectionKindName(section.kind);
        if (section.kind == SectionKind::GroupHeader || section.kind == SectionKind::GroupFooter)
            out << ' ' << section.groupLevel;
        out << ' ' << quoted(section.name) << " height " << section.height
            << " back=" << colour(section.backColor);
        if (!section.visible) out << " hidden";
        if (section.canGrow) out << " cangrow";
        if (section.canShrink) out << " canshrink";
        if (section.forceNewPage) out << " newpage=" << section.forceNewPage;
        if (section.newRowOrCol) out << " newcolumn=" << section.newRowOrCol;
        if (section.keepTogether) out << " keeptogether";
        if (section.repeatSection) out << " repeat";
        if (!section.onFormat.empty()) out << " onformat=" << quoted(section.onFormat);
        if (!section.onPrint.empty()) out << " onprint=" << quoted(section.onPrint);
        if (!section.onRetreat.empty()) out << " onretreat=" << quoted(section.onRetreat);
        if (!section.onPaint.empty()) out << " onpaint=" << quoted(section.onPaint);
        out << '\n';
        for (const auto& control : section.controls) describeControl(out, control, 1);
    }
    return out.str();
}

std::string describeMacroRow(const MacroRow& row) {
    if (row.action == macro_action::kNone) return "";
    std::string line = "row " + std::to_string(row.row) + ' ' + macroActionName(row.action);
    if (!row.name.empty()) line += " name=" + quoted(row.name);
    if (!row.condition.empty()) line += " if=" + quoted(row.condition);
    for (const auto& argument : row.arguments) line += ' ' + quoted(argument);
    return line;
}

}  // namespace platform::jet::design
