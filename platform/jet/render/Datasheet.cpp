#include "platform/jet/render/Datasheet.h"

#include <algorithm>

namespace platform::jet::render {
namespace {

using design::Control;
using design::SectionKind;

constexpr int kColumnWidth = 1440;  // twips: a datasheet column's default width
constexpr int kRowHeight = 300;     // twips: a line of its 10-point font with its rules
constexpr std::uint32_t kTitleShade = 0xE0E0E0;

// A cell of the column: a title with its caption, or the column's value shown by the control given.
Control cell(design::ControlKind kind, int column, const std::string& name, Control control = {}) {
    control.kind = kind;
    control.top = 0;
    control.children.clear();
    control.left = column * kColumnWidth;
    control.width = kColumnWidth;
    control.height = kRowHeight;
    control.font.name = "Arial";
    control.font.size = 10;
    control.borderStyle = 1;
    control.backStyle = 1;
    control.backColor = 0xFFFFFF;
    if (kind == design::ControlKind::Label) {
        control.caption = name;
        control.backColor = kTitleShade;
        control.textAlign = design::TextAlign::Center;
    } else if (control.name.empty() && control.controlSource.empty()) {
        control.name = name;
        control.controlSource = name;
    }
    return control;
}

struct Column {
    std::string title;
    Control value;  // the kind and settings its values are shown with
};

design::ReportDesign datasheetOf(const std::string& recordSource, const std::vector<Column>& columns) {
    design::ReportDesign design;
    design.recordSource = recordSource;
    design.width = static_cast<int>(columns.size()) * kColumnWidth;
    design::Section titles, rows;
    titles.kind = SectionKind::ReportHeader;
    rows.kind = SectionKind::Detail;
    titles.height = rows.height = kRowHeight;
    titles.backColor = rows.backColor = 0xFFFFFF;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const int at = static_cast<int>(i);
        titles.controls.push_back(cell(design::ControlKind::Label, at, columns[i].title));
        rows.controls.push_back(cell(columns[i].value.kind, at, columns[i].title, columns[i].value));
    }
    design.sections = {std::move(titles), std::move(rows)};
    return design;
}

}  // namespace

design::ReportDesign datasheetDesign(const std::string& recordSource,
                                     const std::vector<std::string>& columns) {
    Control text;
    text.kind = design::ControlKind::TextBox;
    std::vector<Column> shown;
    for (const auto& name : columns) shown.push_back({name, text});
    return datasheetOf(recordSource, shown);
}

design::ReportDesign datasheetDesign(const design::ReportDesign& form) {
    std::vector<Column> shown;
    for (const auto& section : form.sections) {
        if (section.kind != SectionKind::Detail) continue;
        for (const auto& control : section.controls) {
            using design::ControlKind;
            if (control.kind != ControlKind::TextBox && control.kind != ControlKind::ComboBox &&
                control.kind != ControlKind::CheckBox)
                continue;
            const auto label =
                std::find_if(control.children.begin(), control.children.end(),
                             [](const Control& child) { return child.kind == ControlKind::Label; });
            shown.push_back({label != control.children.end() ? label->caption : control.name, control});
        }
    }
    // A datasheet shows the columns in the form's tab order.
    std::stable_sort(shown.begin(), shown.end(),
                     [](const Column& a, const Column& b) { return a.value.tabIndex < b.value.tabIndex; });
    return datasheetOf(form.recordSource, shown);
}

}  // namespace platform::jet::render
