#include "platform/jet/render/Datasheet.h"

namespace platform::jet::render {
namespace {

using design::Control;
using design::SectionKind;

constexpr int kColumnWidth = 1440;  // twips: a datasheet column's default width
constexpr int kRowHeight = 300;     // twips: a line of its 10-point font with its rules
constexpr std::uint32_t kTitleShade = 0xE0E0E0;

Control cell(design::ControlKind kind, int column, const std::string& name) {
    Control control;
    control.kind = kind;
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
    } else {
        control.name = name;
        control.controlSource = name;
    }
    return control;
}

}  // namespace

design::ReportDesign datasheetDesign(const std::string& recordSource,
                                     const std::vector<std::string>& columns) {
    design::ReportDesign design;
    design.recordSource = recordSource;
    design.width = static_cast<int>(columns.size()) * kColumnWidth;
    design::Section titles, rows;
    titles.kind = SectionKind::ReportHeader;
    rows.kind = SectionKind::Detail;
    titles.height = rows.height = kRowHeight;
    titles.backColor = rows.backColor = 0xFFFFFF;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        titles.controls.push_back(cell(design::ControlKind::Label, static_cast<int>(i), columns[i]));
        rows.controls.push_back(cell(design::ControlKind::TextBox, static_cast<int>(i), columns[i]));
    }
    design.sections = {std::move(titles), std::move(rows)};
    return design;
}

}  // namespace platform::jet::render
