#include "ReportValidation.h"

#include <algorithm>
#include <set>

#include "Utf16.h"
#include "Validation.h"
#include "base/AsciiCase.h"

namespace mkmdb {
namespace {

constexpr int kMaxTwips = 31680;  // 22 inches, the most Access allows for a report's width or a section
constexpr std::size_t kMaxGroupLevels = 10;
constexpr int kMaxControls = 754;
constexpr std::size_t kMaxTextBytes = 0xFFFF;  // a stored value's length
constexpr std::size_t kMaxFontName = 31;       // LOGFONT's, without its terminating zero
constexpr std::string_view kReportPrefix = "Report.";

void checkText(const std::string& text, const std::string& what) {
    if (toUtf16(text, what).size() * 2 > kMaxTextBytes) throw Error(what + " is too long");
}

void checkRange(int value, int low, int high, const std::string& what) {
    if (value < low || value > high)
        throw Error(what + " must be from " + std::to_string(low) + " to " + std::to_string(high));
}

bool isGroupSection(SectionType type) {
    return type == SectionType::GroupHeader || type == SectionType::GroupFooter;
}

class ReportCheck {
  public:
    ReportCheck(const Database& database, const std::string& name, const Report& report)
        : database_(database), name_(name), report_(report) {}

    void run() {
        checkText(report_.recordSource, "the record source");
        checkText(report_.caption, "the caption");
        if (report_.width) checkRange(*report_.width, 0, kMaxTwips, "the width");
        checkPage(report_.page);
        if (report_.groups.size() > kMaxGroupLevels)
            throw Error("it has more than " + std::to_string(kMaxGroupLevels) +
                        " sorting and grouping levels");
        for (const auto& level : report_.groups) {
            if (level.expression.empty()) throw Error("a sorting level has no field or expression");
            checkText(level.expression, "a sorting level");
            checkRange(level.groupInterval, 1, 32767, "a group's interval");
            checkRange(level.keepTogether, 0, 2, "a group's keep together");
        }
        std::set<std::pair<SectionType, int>> seen;
        for (const auto& section : report_.sections) {
            const std::string what =
                std::string("the section ") + platform::jet::design::sectionKindName(section.type);
            if (isGroupSection(section.type) &&
                (section.groupLevel < 0 ||
                 static_cast<std::size_t>(section.groupLevel) >= report_.groups.size()))
                throw Error(what + " " + std::to_string(section.groupLevel) + " belongs to no sorting level");
            if (!isGroupSection(section.type) && section.groupLevel != 0)
                throw Error(what + " belongs to no sorting level");
            if (!seen.insert({section.type, section.groupLevel}).second)
                throw Error(what + " is given twice");
            checkSection(section, what);
        }
        if (controls_ > kMaxControls)
            throw Error("it has more than " + std::to_string(kMaxControls) + " controls");
    }

  private:
    void checkPage(const ReportPage& page) {
        for (const int margin : {page.leftMargin, page.topMargin, page.rightMargin, page.bottomMargin})
            checkRange(margin, 0, kMaxTwips, "a margin");
        checkRange(page.columns, 1, 255, "the number of columns");
        checkRange(page.columnSpacing, 0, kMaxTwips, "the column spacing");
        checkRange(page.rowSpacing, 0, kMaxTwips, "the row spacing");
        checkRange(page.itemWidth, 0, kMaxTwips, "a column's width");
        checkRange(page.itemHeight, 0, kMaxTwips, "a column's height");
        checkRange(page.paperSize, 0, 32767, "the paper size");
    }

    void checkSection(const ReportSection& section, const std::string& what) {
        const bool pageSection =
            section.type == SectionType::PageHeader || section.type == SectionType::PageFooter;
        if (pageSection && (section.keepTogether || section.forceNewPage != 0))
            throw Error(what + " cannot keep together or force a new page");
        checkRange(section.forceNewPage, 0, 3, what + "'s new page");
        if (section.height) checkRange(*section.height, 0, kMaxTwips, what + "'s height");
        for (const auto& control : section.controls) {
            checkControl(control, false);
            for (const auto* placed :
                 {&control, control.attached.empty() ? &control : &control.attached.front()})
                if (section.height && placed->top + placed->height > *section.height)
                    throw Error("a control reaches below " + what);
        }
    }

    void checkControl(const ReportControl& control, bool attached) {
        ++controls_;
        const std::string what = control.name.empty() ? "a control" : "the control " + control.name;
        if (!control.name.empty()) {
            const auto utf16 = toUtf16(control.name, "a control name");
            if (utf16.size() > static_cast<std::size_t>(kMaxObjectNameLength) ||
                std::any_of(utf16.begin(), utf16.end(), [](char16_t c) { return c < 0x20 || c == 0x7F; }))
                throw Error("a control name is longer than 64 characters or holds a control character");
            if (!names_.insert(base::lowerAscii(control.name)).second)
                throw Error("there are two controls named \"" + control.name + "\"");
        }
        for (const int length : {control.left, control.top, control.width, control.height})
            checkRange(length, 0, kMaxTwips, what + "'s position and size");
        if (control.left + control.width > kMaxTwips || control.top + control.height > kMaxTwips)
            throw Error(what + " reaches past 22 inches");
        if (report_.width && control.left + control.width > *report_.width)
            throw Error(what + " reaches past the report's width");
        checkText(control.text, what + "'s text");
        checkText(control.format, what + "'s format");
        checkText(control.linkChildFields, what + "'s link");
        checkText(control.linkMasterFields, what + "'s link");
        if (control.fontName.size() > kMaxFontName) throw Error(what + "'s font name is too long");
        checkRange(control.fontSize, 0, 127, what + "'s font size");
        if (control.decimals) checkRange(*control.decimals, 0, 15, what + "'s decimal places");
        checkRange(control.runningSum, 0, 2, what + "'s running sum");
        if (control.type == ControlType::Label && control.text.empty()) throw Error(what + " has no caption");
        if (control.type == ControlType::Subreport) checkSubreport(control, what);

        if (control.attached.empty()) return;
        const bool takesALabel = control.type == ControlType::TextBox ||
                                 control.type == ControlType::CheckBox ||
                                 control.type == ControlType::Subreport;
        if (attached || !takesALabel || control.attached.size() > 1 ||
            control.attached.front().type != ControlType::Label)
            throw Error(what + ": only a text box, check box or subreport has an attached label, and one");
        checkControl(control.attached.front(), true);
    }

    void checkSubreport(const ReportControl& control, const std::string& what) {
        if (control.text.empty()) throw Error(what + " names no report");
        if (!control.text.starts_with(kReportPrefix)) return;  // a table or query shown as a datasheet
        const std::string shown = control.text.substr(kReportPrefix.size());
        const bool known =
            std::any_of(database_.reports.begin(), database_.reports.end(),
                        [&](const std::string& report) { return base::equalIgnoringCase(report, shown); });
        if (!known) throw Error(what + " shows \"" + shown + "\", which is no report of the file");
        if (base::equalIgnoringCase(shown, name_)) throw Error(what + " shows the report itself");
    }

    const Database& database_;
    const std::string& name_;
    const Report& report_;
    std::set<std::string> names_;
    int controls_ = 0;
};

}  // namespace

void validateReportDesigns(const Database& database) {
    for (const auto& [name, report] : database.designs) {
        if (std::find(database.reports.begin(), database.reports.end(), name) == database.reports.end())
            throw Error("a design is given for \"" + name + "\", which is no report of the file");
        try {
            ReportCheck(database, name, report).run();
        } catch (const Error& error) {
            throw Error("report \"" + name + "\": " + error.what());
        }
    }
}

}  // namespace mkmdb
