#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace platform::jet::design {

// The properties of a design this model reads.
enum class Property {
    Name,
    Left,
    Top,
    Width,
    Height,
    Caption,
    ControlSource,
    SourceObject,
    LinkChildFields,
    LinkMasterFields,
    Format,
    DecimalPlaces,
    FontName,
    FontSize,
    FontWeight,
    FontItalic,
    FontUnderline,
    TextAlign,
    ForeColor,
    BackColor,
    BorderColor,
    BackStyle,
    BorderStyle,
    BorderWidth,
    BorderLineStyle,
    SpecialEffect,
    Hidden,
    CanGrow,
    CanShrink,
    Picture,
    RecordSource,
    Filter,
    PrtMip,
    PrtDevMode,
    GroupLevel,
    ForceNewPage,
    SortDescending,
    GroupHeader,
    GroupFooter,
    KeepTogether,
    GroupOn,
    GroupInterval,
    RunningSum,
    SizeMode,
    PictureAlignment,
    PageHeader,
    PageFooter,
    SectionKeepTogether,
    RepeatSection,
    NewRowOrCol,
    OnFormat,
    OnPrint,
    OnRetreat,
    OnPaint,
    OnOpen,
    OnClose,
    OnNoData,
    OnPage,
    OnActivate,
    RowSourceType,
    RowSource,
    ColumnCount,
    ColumnWidths,
    BoundColumn,
    ColumnHeads,
    LineSlant,
    DefaultView,
    DisplayWhen,
    TabIndex,
    PivotTable,
    ChartSpace,
};

// Object types as blobs store them.
namespace object_type {
inline constexpr std::uint16_t kLabel = 100, kRectangle = 101, kLine = 102, kImage = 103,
                               kCommandButton = 104, kOptionButton = 105, kCheckBox = 106, kOptionGroup = 107,
                               kBoundObjectFrame = 108, kTextBox = 109, kListBox = 110, kComboBox = 111,
                               kSubreport = 112, kChart = 113, kObjectFrame = 114, kPageBreak = 118,
                               kToggleButton = 122, kTab = 123, kPage = 124;
inline constexpr std::uint16_t kForm = 150, kReport = 151, kDetail = 152, kReportHeader = 153, kReportFooter = 154,
                               kPageHeader = 155, kPageFooter = 156, kGroupHeader = 157, kGroupFooter = 158,
                               kGroupLevel = 159;
inline bool isControl(std::uint16_t type) {
    return type >= kLabel && type < 150;
}
inline bool isSection(std::uint16_t type) {
    return type >= kDetail && type <= kGroupFooter;
}
}  // namespace object_type

// How a slot's value reads: a flag (present means yes), a little-endian signed integer, a text, or bytes.
enum class ValueKind { Flag, Integer, Text, Bytes };

// The property an object of the type keeps in the slot; empty for a slot this model does not read.
std::optional<Property> propertyOfSlot(std::uint16_t objectType, std::uint32_t slot);
// The slot an object of the type keeps the property in; empty when it has none.
std::optional<std::uint32_t> slotOfProperty(std::uint16_t objectType, Property property);
// The code a u32 record names the property with, the same for every type of object that has it; empty
// for properties found by their slot alone.
std::optional<std::uint16_t> recordCodeOfProperty(std::uint16_t objectType, Property property);
// The property a u32 record's code names, of those with a code above.
std::optional<Property> propertyOfRecordCode(std::uint16_t code);
ValueKind valueKindOf(Property property);
const char* propertyName(Property property);

// Access's own value of a property an object and its type's prototype leave unset.
using DefaultValue = std::variant<std::int64_t, std::string_view>;
DefaultValue defaultValue(std::uint16_t objectType, Property property);

}  // namespace platform::jet::design
