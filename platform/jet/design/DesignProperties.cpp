#include "platform/jet/design/DesignProperties.h"

#include <array>

namespace platform::jet::design {
namespace {

using namespace object_type;

// Which objects a slot entry covers: one type, every control, every section, or a report and a form alike.
constexpr std::uint16_t kAnyControl = 1;
constexpr std::uint16_t kAnySection = 2;
constexpr std::uint16_t kReportOrForm = 3;

bool covers(std::uint16_t entryType, std::uint16_t objectType) {
    if (entryType == kAnyControl) return isControl(objectType);
    if (entryType == kAnySection) return isSection(objectType);
    if (entryType == kReportOrForm) return objectType == kReport || objectType == kForm;
    return entryType == objectType;
}

struct SlotEntry {
    std::uint16_t objectType;
    std::uint32_t slot;
    Property property;
};

// The slots as Access fills them, by object type; the first entry covering an object wins, so entries
// for one type come before those for every control. Slot ids are the same in both encodings.
constexpr SlotEntry kSlots[] = {
    // A form keeps these where a report does (Northwind's forms and reports, in both encodings).
    {kReportOrForm, 0xDC, Property::RecordSource},
    {kReportOrForm, 0xDD, Property::Caption},
    {kReportOrForm, 0xC3, Property::Filter},
    {kReportOrForm, 0x63, Property::Width},
    {kReportOrForm, 0xEA, Property::PrtMip},
    {kReportOrForm, 0xEB, Property::PrtDevMode},
    // Northwind's forms: 2 on its datasheet subforms, 0 on its single forms, 4 and 5 on Northwind 2007's
    // PivotChart and split forms; left out on its continuous ones (Customer Phone List, Product List).
    {kForm, 0x30, Property::DefaultView},
    // Northwind 2007's PivotChart forms: the PivotTable's XML (code 0x196) and the chart's (code 0x197).
    {kForm, 0x103, Property::PivotTable},
    {kForm, 0x104, Property::ChartSpace},
    {kReport, 0x34, Property::PageHeader},
    {kReport, 0x35, Property::PageFooter},
    // The report's events. OnPage and OnActivate were seen only in the records; the other events keep
    // the same slot in both encodings, so these are taken to as well.
    {kReport, 0xE3, Property::OnOpen},
    {kReport, 0xE4, Property::OnClose},
    {kReport, 0xC2, Property::OnNoData},
    {kReport, 0xC6, Property::OnPage},
    {kReport, 0xF4, Property::OnActivate},

    {kAnySection, 0x60, Property::Height},
    {kAnySection, 0x61, Property::GroupLevel},
    {kAnySection, 0x30, Property::ForceNewPage},
    {kAnySection, 0x31, Property::NewRowOrCol},
    {kAnySection, 0x00, Property::SectionKeepTogether},
    {kAnySection, 0x01, Property::Hidden},
    {kAnySection, 0x04, Property::RepeatSection},
    {kAnySection, 0x02, Property::CanGrow},
    {kAnySection, 0x03, Property::CanShrink},
    {kAnySection, 0x9C, Property::BackColor},
    // A form's: 1 on the forms' page headers and footers (print only), 2 on form headers (screen only).
    {kAnySection, 0x32, Property::DisplayWhen},
    {kAnySection, 0xDF, Property::Name},
    {kAnySection, 0xDC, Property::OnFormat},
    {kAnySection, 0xDD, Property::OnPrint},
    {kAnySection, 0xDE, Property::OnRetreat},
    {kAnySection, 0x109, Property::OnPaint},

    {kGroupLevel, 0xDC, Property::ControlSource},
    {kGroupLevel, 0x00, Property::SortDescending},
    {kGroupLevel, 0x01, Property::GroupHeader},
    {kGroupLevel, 0x02, Property::GroupFooter},
    {kGroupLevel, 0x30, Property::KeepTogether},
    {kGroupLevel, 0x60, Property::GroupOn},
    {kGroupLevel, 0x9C, Property::GroupInterval},

    {kLabel, 0xDD, Property::Caption},
    {kLabel, 0xDE, Property::FontName},
    {kLabel, 0x64, Property::FontSize},
    {kLabel, 0x65, Property::FontWeight},
    {kLabel, 0x01, Property::FontItalic},
    {kLabel, 0x02, Property::FontUnderline},
    {kLabel, 0x37, Property::TextAlign},
    {kLabel, 0x32, Property::BackStyle},
    {kLabel, 0x33, Property::BorderStyle},
    {kLabel, 0x9C, Property::BackColor},
    {kLabel, 0x9D, Property::BorderColor},
    {kLabel, 0x9E, Property::ForeColor},

    {kTextBox, 0xDD, Property::ControlSource},
    {kTextBox, 0xDE, Property::Format},
    {kTextBox, 0xE8, Property::FontName},
    {kTextBox, 0x69, Property::FontSize},
    {kTextBox, 0x6A, Property::FontWeight},
    {kTextBox, 0x3B, Property::TextAlign},
    {kTextBox, 0x30, Property::DecimalPlaces},
    {kTextBox, 0x09, Property::FontItalic},
    {kTextBox, 0x04, Property::CanGrow},
    {kTextBox, 0x05, Property::CanShrink},
    {kTextBox, 0x0A, Property::FontUnderline},
    {kTextBox, 0x33, Property::RunningSum},
    {kTextBox, 0x35, Property::BorderStyle},
    {kTextBox, 0x43, Property::BackStyle},
    {kTextBox, 0x9C, Property::BackColor},
    {kTextBox, 0x9D, Property::BorderColor},
    {kTextBox, 0x9F, Property::ForeColor},

    {kLine, 0x01, Property::LineSlant},
    {kLine, 0x31, Property::BorderStyle},
    {kLine, 0x32, Property::BorderWidth},
    {kLine, 0x34, Property::BorderLineStyle},
    {kLine, 0x9C, Property::BorderColor},

    {kRectangle, 0x31, Property::SpecialEffect},
    {kRectangle, 0x32, Property::BackStyle},
    {kRectangle, 0x33, Property::BorderStyle},
    {kRectangle, 0x34, Property::BorderWidth},
    {kRectangle, 0x9C, Property::BackColor},
    {kRectangle, 0x9D, Property::BorderColor},

    {kSubreport, 0xDD, Property::SourceObject},
    {kSubreport, 0xDE, Property::LinkChildFields},
    {kSubreport, 0xDF, Property::LinkMasterFields},

    // A Microsoft Graph chart keeps its place one slot on, its OLE data (kept as its picture) where a
    // subreport keeps its source object, then its row source and links.
    {kChart, 0x61, Property::Left},
    {kChart, 0x62, Property::Top},
    {kChart, 0x63, Property::Width},
    {kChart, 0x64, Property::Height},
    {kChart, 0xDD, Property::Picture},
    {kChart, 0xDE, Property::RowSourceType},
    {kChart, 0xDF, Property::RowSource},
    {kChart, 0xE0, Property::LinkChildFields},
    {kChart, 0xE1, Property::LinkMasterFields},

    {kCheckBox, 0xDD, Property::ControlSource},
    {kBoundObjectFrame, 0xDD, Property::ControlSource},
    {kBoundObjectFrame, 0x30, Property::SizeMode},
    {kImage, 0x33, Property::BorderStyle},
    {kImage, 0x37, Property::PictureAlignment},
    {kImage, 0xDF, Property::Picture},

    // List and combo boxes keep their list's settings before their place, and flags before Visible
    // (kept as "hidden"), the first flag of most controls.
    {kListBox, 0x00, Property::ColumnHeads},
    {kListBox, 0x01, Property::Hidden},
    {kListBox, 0x08, Property::FontItalic},
    {kListBox, 0x09, Property::FontUnderline},
    {kListBox, 0x3D, Property::BorderStyle},
    {kListBox, 0x60, Property::ColumnCount},
    {kListBox, 0x61, Property::Left},
    {kListBox, 0x62, Property::Top},
    {kListBox, 0x63, Property::Width},
    {kListBox, 0x64, Property::Height},
    {kListBox, 0x6A, Property::FontSize},
    {kListBox, 0x6B, Property::FontWeight},
    {kListBox, 0x9F, Property::ForeColor},
    {kListBox, 0xA0, Property::BorderColor},
    {kListBox, 0xEA, Property::FontName},
    {kComboBox, 0x00, Property::ColumnHeads},
    {kComboBox, 0x02, Property::Hidden},
    {kComboBox, 0x09, Property::FontItalic},
    {kComboBox, 0x0A, Property::FontUnderline},
    {kComboBox, 0x33, Property::BorderStyle},
    {kComboBox, 0x39, Property::TextAlign},
    {kComboBox, 0x41, Property::BackStyle},
    {kComboBox, 0x60, Property::ColumnCount},
    {kComboBox, 0x63, Property::Left},
    {kComboBox, 0x64, Property::Top},
    {kComboBox, 0x65, Property::Width},
    {kComboBox, 0x66, Property::Height},
    {kComboBox, 0x6C, Property::FontSize},
    {kComboBox, 0x6D, Property::FontWeight},
    {kComboBox, 0x9E, Property::BorderColor},
    {kComboBox, 0xA0, Property::ForeColor},
    {kComboBox, 0xEA, Property::FontName},
    {kComboBox, 0xFA, Property::Format},
    {kListBox, 0x9C, Property::BoundColumn},
    {kComboBox, 0x9C, Property::BoundColumn},
    {kListBox, 0x9D, Property::BackColor},
    {kComboBox, 0x9D, Property::BackColor},
    {kListBox, 0xDD, Property::ControlSource},
    {kComboBox, 0xDD, Property::ControlSource},
    {kListBox, 0xDE, Property::RowSourceType},
    {kComboBox, 0xDE, Property::RowSourceType},
    {kListBox, 0xDF, Property::RowSource},
    {kComboBox, 0xDF, Property::RowSource},
    {kListBox, 0xE0, Property::ColumnWidths},
    {kComboBox, 0xE0, Property::ColumnWidths},
    {kCommandButton, 0x04, Property::Hidden},
    // Buttons' captions and fonts (the prototypes of Northwind 2007's forms; Northwind's buttons).
    {kCommandButton, 0xDD, Property::Caption},
    {kCommandButton, 0xE4, Property::FontName},
    {kCommandButton, 0x67, Property::FontSize},
    {kCommandButton, 0x68, Property::FontWeight},
    {kCommandButton, 0x08, Property::FontItalic},
    {kCommandButton, 0x09, Property::FontUnderline},
    {kCommandButton, 0x9D, Property::ForeColor},
    {kToggleButton, 0xE7, Property::Caption},
    {kToggleButton, 0xE9, Property::FontName},
    {kToggleButton, 0x69, Property::FontSize},
    {kToggleButton, 0x07, Property::FontItalic},
    {kToggleButton, 0x08, Property::FontUnderline},
    {kToggleButton, 0x9E, Property::ForeColor},

    // Controls of forms: DisplayWhen after the flags, one slot on where the control keeps another
    // setting first (a text box its DecimalPlaces, a bound frame its SizeMode).
    {kTextBox, 0x31, Property::DisplayWhen},
    {kListBox, 0x31, Property::DisplayWhen},
    {kComboBox, 0x31, Property::DisplayWhen},
    {kBoundObjectFrame, 0x31, Property::DisplayWhen},
    {kObjectFrame, 0x31, Property::DisplayWhen},
    {kAnyControl, 0x30, Property::DisplayWhen},
    // The order a form's datasheet shows its columns in.
    {kTextBox, 0x6B, Property::TabIndex},
    {kComboBox, 0x6E, Property::TabIndex},
    {kCheckBox, 0x69, Property::TabIndex},

    {kAnyControl, 0x60, Property::Left},
    {kAnyControl, 0x61, Property::Top},
    {kAnyControl, 0x62, Property::Width},
    {kAnyControl, 0x63, Property::Height},
    {kAnyControl, 0xDC, Property::Name},
    {kAnyControl, 0x00, Property::Hidden},
};

struct PropertyInfo {
    Property property;
    const char* name;
    ValueKind kind;
};

constexpr PropertyInfo kProperties[] = {
    {Property::Name, "Name", ValueKind::Text},
    {Property::Left, "Left", ValueKind::Integer},
    {Property::Top, "Top", ValueKind::Integer},
    {Property::Width, "Width", ValueKind::Integer},
    {Property::Height, "Height", ValueKind::Integer},
    {Property::Caption, "Caption", ValueKind::Text},
    {Property::ControlSource, "ControlSource", ValueKind::Text},
    {Property::SourceObject, "SourceObject", ValueKind::Text},
    {Property::LinkChildFields, "LinkChildFields", ValueKind::Text},
    {Property::LinkMasterFields, "LinkMasterFields", ValueKind::Text},
    {Property::Format, "Format", ValueKind::Text},
    {Property::DecimalPlaces, "DecimalPlaces", ValueKind::Integer},
    {Property::FontName, "FontName", ValueKind::Text},
    {Property::FontSize, "FontSize", ValueKind::Integer},
    {Property::FontWeight, "FontWeight", ValueKind::Integer},
    {Property::FontItalic, "FontItalic", ValueKind::Flag},
    {Property::FontUnderline, "FontUnderline", ValueKind::Flag},
    {Property::TextAlign, "TextAlign", ValueKind::Integer},
    {Property::ForeColor, "ForeColor", ValueKind::Integer},
    {Property::BackColor, "BackColor", ValueKind::Integer},
    {Property::BorderColor, "BorderColor", ValueKind::Integer},
    {Property::BackStyle, "BackStyle", ValueKind::Integer},
    {Property::BorderStyle, "BorderStyle", ValueKind::Integer},
    {Property::BorderWidth, "BorderWidth", ValueKind::Integer},
    {Property::BorderLineStyle, "BorderLineStyle", ValueKind::Integer},
    {Property::SpecialEffect, "SpecialEffect", ValueKind::Integer},
    {Property::Hidden, "Hidden", ValueKind::Flag},
    {Property::CanGrow, "CanGrow", ValueKind::Flag},
    {Property::CanShrink, "CanShrink", ValueKind::Flag},
    {Property::Picture, "Picture", ValueKind::Bytes},
    {Property::RecordSource, "RecordSource", ValueKind::Text},
    {Property::Filter, "Filter", ValueKind::Text},
    {Property::PrtMip, "PrtMip", ValueKind::Bytes},
    {Property::PrtDevMode, "PrtDevMode", ValueKind::Bytes},
    {Property::GroupLevel, "GroupLevel", ValueKind::Integer},
    {Property::ForceNewPage, "ForceNewPage", ValueKind::Integer},
    {Property::SortDescending, "SortDescending", ValueKind::Flag},
    {Property::GroupHeader, "GroupHeader", ValueKind::Flag},
    {Property::GroupFooter, "GroupFooter", ValueKind::Flag},
    {Property::KeepTogether, "KeepTogether", ValueKind::Integer},
    {Property::GroupOn, "GroupOn", ValueKind::Integer},
    {Property::GroupInterval, "GroupInterval", ValueKind::Integer},
    {Property::RunningSum, "RunningSum", ValueKind::Integer},
    {Property::SizeMode, "SizeMode", ValueKind::Integer},
    {Property::PictureAlignment, "PictureAlignment", ValueKind::Integer},
    {Property::PageHeader, "PageHeader", ValueKind::Integer},
    {Property::PageFooter, "PageFooter", ValueKind::Integer},
    {Property::SectionKeepTogether, "KeepTogether", ValueKind::Flag},
    {Property::RepeatSection, "RepeatSection", ValueKind::Flag},
    {Property::NewRowOrCol, "NewRowOrCol", ValueKind::Integer},
    {Property::OnFormat, "OnFormat", ValueKind::Text},
    {Property::OnPrint, "OnPrint", ValueKind::Text},
    {Property::OnRetreat, "OnRetreat", ValueKind::Text},
    {Property::OnPaint, "OnPaint", ValueKind::Text},
    {Property::OnOpen, "OnOpen", ValueKind::Text},
    {Property::OnClose, "OnClose", ValueKind::Text},
    {Property::OnNoData, "OnNoData", ValueKind::Text},
    {Property::OnPage, "OnPage", ValueKind::Text},
    {Property::OnActivate, "OnActivate", ValueKind::Text},
    {Property::RowSourceType, "RowSourceType", ValueKind::Text},
    {Property::RowSource, "RowSource", ValueKind::Text},
    {Property::ColumnCount, "ColumnCount", ValueKind::Integer},
    {Property::ColumnWidths, "ColumnWidths", ValueKind::Text},
    {Property::BoundColumn, "BoundColumn", ValueKind::Integer},
    {Property::ColumnHeads, "ColumnHeads", ValueKind::Flag},
    {Property::LineSlant, "LineSlant", ValueKind::Flag},
    {Property::DefaultView, "DefaultView", ValueKind::Integer},
    {Property::DisplayWhen, "DisplayWhen", ValueKind::Integer},
    {Property::TabIndex, "TabIndex", ValueKind::Integer},
    {Property::PivotTable, "PivotTable", ValueKind::Text},
    {Property::ChartSpace, "ChartSpace", ValueKind::Text},
};

struct CodeEntry {
    Property property;
    std::uint16_t code;
};

// The codes u32 records name properties by, the same for every object that has the property (read
// from the records of the files, where each code stands beside the slot read before for the same
// property): the slots of a type move where Access added properties (a combo box's place is 0x63 to
// 0x66, a text box's 0x60 to 0x63), the codes do not. Access 2007 Northwind's reports keep their
// RecordSource in 0x12E, other files' in 0xDC.
constexpr CodeEntry kCodes[] = {
    {Property::Name, 0x14},           {Property::Left, 0x36},
    {Property::Top, 0x8D},            {Property::Width, 0x96},
    {Property::Height, 0x2C},         {Property::Caption, 0x11},
    {Property::ControlSource, 0x1B},  {Property::SourceObject, 0x84},
    {Property::LinkChildFields, 0x31}, {Property::LinkMasterFields, 0x32},
    {Property::Format, 0x26},         {Property::DecimalPlaces, 0x47},
    {Property::FontName, 0x22},       {Property::FontSize, 0x23},
    {Property::FontWeight, 0x25},     {Property::FontItalic, 0x21},
    {Property::FontUnderline, 0x24},  {Property::TextAlign, 0x88},
    {Property::ForeColor, 0xCC},      {Property::BackColor, 0x1C},
    {Property::BorderColor, 0x08},    {Property::BackStyle, 0x1D},
    {Property::BorderStyle, 0x149},   {Property::BorderWidth, 0x0A},
    {Property::BorderLineStyle, 0x0B}, {Property::SpecialEffect, 0x04},
    {Property::Hidden, 0x94},         {Property::CanGrow, 0x0E},
    {Property::CanShrink, 0x10},      {Property::RunningSum, 0x82},
    {Property::PictureAlignment, 0x135}, {Property::RecordSource, 0x9C},
    {Property::PrtMip, 0xBD},         {Property::PrtDevMode, 0xBE},
    {Property::RowSourceType, 0x5D},  {Property::RowSource, 0x5B},
    {Property::ColumnCount, 0x46},    {Property::ColumnWidths, 0x12},
    {Property::BoundColumn, 0x0D},    {Property::ColumnHeads, 0x83},
    {Property::LineSlant, 0x37},
    {Property::Filter, 0xF5},
    {Property::DefaultView, 0x93},    {Property::DisplayWhen, 0x95},
    {Property::TabIndex, 0x105},
    {Property::PivotTable, 0x196},    {Property::ChartSpace, 0x197},
    {Property::OnOpen, 77},           {Property::OnClose, 78},
    {Property::OnFormat, 80},         {Property::OnPrint, 82},
    {Property::OnPage, 83},           {Property::OnRetreat, 84},
    {Property::OnActivate, 112},      {Property::OnNoData, 121},
    {Property::OnPaint, 569},
};

const PropertyInfo& infoOf(Property property) {
    for (const auto& info : kProperties)
        if (info.property == property) return info;
    return kProperties[0];  // every property has its row above
}

struct DefaultEntry {
    std::uint16_t objectType;
    Property property;
    DefaultValue value;
};

constexpr std::int64_t kWhite = 0xFFFFFF;
constexpr std::int64_t kInch = 1440;

// Access's built-in values, for what neither an object nor its type's prototype sets. The first entry
// covering an object wins; properties with no entry default to 0, "" or no. Access leaves out what
// equals these, so a prototype storing BackStyle 0 or BorderStyle 0 shows the built-in value is not 0;
// a section or a control at its type's built-in size stores none (a check box at 0 x 0 is one of
// 260 x 240; one stored 240 wide keeps the height). Files made where lengths are metric keep their
// own sizes in the prototypes (a text box 1701 wide, 3 cm), so these are the inch-based ones.
constexpr DefaultEntry kDefaults[] = {
    {kAnySection, Property::BackColor, kWhite},  {kAnySection, Property::Height, kInch},
    {kLabel, Property::BackColor, kWhite},       {kTextBox, Property::BackColor, kWhite},
    {kRectangle, Property::BackColor, kWhite},   {kTextBox, Property::BackStyle, 1},
    {kRectangle, Property::BackStyle, 1},        {kListBox, Property::BackStyle, 1},
    {kComboBox, Property::BackStyle, 1},         {kListBox, Property::BackColor, kWhite},
    {kComboBox, Property::BackColor, kWhite},    {kAnyControl, Property::FontName, std::string_view("Arial")},
    {kAnyControl, Property::FontSize, 8},        {kAnyControl, Property::FontWeight, 400},
    {kAnyControl, Property::DecimalPlaces, 255}, {kLine, Property::BorderStyle, 1},
    {kRectangle, Property::BorderStyle, 1},      {kTextBox, Property::BorderStyle, 1},
    {kListBox, Property::BorderStyle, 1},        {kComboBox, Property::BorderStyle, 1},
    {kImage, Property::BorderStyle, 1},          {kGroupLevel, Property::GroupInterval, 1},
    {kListBox, Property::ColumnCount, 1},        {kComboBox, Property::ColumnCount, 1},
    {kListBox, Property::BoundColumn, 1},        {kComboBox, Property::BoundColumn, 1},
    {kForm, Property::DefaultView, 1},  // continuous forms: what a form storing no view shows

    // Sizes by type: what a control drawn with a click in the toolbox gets.
    {kTextBox, Property::Width, kInch},          {kTextBox, Property::Height, 240},
    {kComboBox, Property::Width, kInch},         {kComboBox, Property::Height, 240},
    {kListBox, Property::Width, kInch},          {kListBox, Property::Height, kInch},
    {kCheckBox, Property::Width, 260},           {kCheckBox, Property::Height, 240},
    {kOptionButton, Property::Width, 260},       {kOptionButton, Property::Height, 240},
    {kToggleButton, Property::Width, 283},       {kToggleButton, Property::Height, 283},
    {kCommandButton, Property::Width, kInch},    {kCommandButton, Property::Height, 360},
    {kOptionGroup, Property::Width, kInch},      {kOptionGroup, Property::Height, kInch},
    {kLine, Property::Width, kInch},             {kRectangle, Property::Width, kInch},
    {kRectangle, Property::Height, kInch},       {kImage, Property::Width, kInch},
    {kImage, Property::Height, kInch},           {kSubreport, Property::Width, kInch},
    {kSubreport, Property::Height, kInch},       {kBoundObjectFrame, Property::Width, 3 * kInch},
    {kBoundObjectFrame, Property::Height, 2 * kInch}, {kObjectFrame, Property::Width, 3 * kInch},
    {kObjectFrame, Property::Height, 2 * kInch}, {kChart, Property::Width, 3 * kInch},
    {kChart, Property::Height, 2 * kInch},
};

}  // namespace

std::optional<Property> propertyOfSlot(std::uint16_t objectType, std::uint32_t slot) {
    // A type's own slot for a property hides the one every control shares (a list box's hidden flag).
    for (const auto& entry : kSlots)
        if (entry.slot == slot && covers(entry.objectType, objectType) &&
            slotOfProperty(objectType, entry.property) == slot)
            return entry.property;
    return std::nullopt;
}

std::optional<std::uint16_t> recordCodeOfProperty(std::uint16_t objectType, Property property) {
    // Only properties the type has a slot for: a code names the same property wherever it stands.
    if (!slotOfProperty(objectType, property)) return std::nullopt;
    for (const auto& entry : kCodes)
        if (entry.property == property) return entry.code;
    return std::nullopt;
}

std::optional<Property> propertyOfRecordCode(std::uint16_t code) {
    for (const auto& entry : kCodes)
        if (entry.code == code) return entry.property;
    return std::nullopt;
}

std::optional<std::uint32_t> slotOfProperty(std::uint16_t objectType, Property property) {
    for (const auto& entry : kSlots)
        if (entry.property == property && covers(entry.objectType, objectType)) return entry.slot;
    return std::nullopt;
}

ValueKind valueKindOf(Property property) {
    return infoOf(property).kind;
}

const char* propertyName(Property property) {
    return infoOf(property).name;
}

DefaultValue defaultValue(std::uint16_t objectType, Property property) {
    for (const auto& entry : kDefaults)
        if (entry.property == property && covers(entry.objectType, objectType)) return entry.value;
    if (valueKindOf(property) == ValueKind::Text) return std::string_view();
    return std::int64_t{0};
}

}  // namespace platform::jet::design
