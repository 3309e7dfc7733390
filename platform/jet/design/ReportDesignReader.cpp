#include "platform/jet/design/ReportDesignReader.h"

#include <algorithm>
#include <map>

#include "platform/jet/design/DesignError.h"
#include "platform/jet/design/DesignProperties.h"
#include "platform/jet/design/DesignText.h"
#include "platform/jet/design/PrintSetupLayout.h"
#include "base/LittleEndian.h"

namespace platform::jet::design {
namespace {

using namespace object_type;
using Bytes = std::span<const std::uint8_t>;

using namespace print_setup;

// Reads properties of objects, falling back on their type's prototype and then on Access's defaults.
class PropertyReader {
  public:
    PropertyReader(const DesignTree& tree, std::string charset)
        : encoding_(tree.encoding), records_(tree.version == kVersionRecords), charset_(std::move(charset)) {}

    void addPrototype(const DesignObject& prototype) { prototypes_.emplace(prototype.type, &prototype); }

    std::int64_t integer(const DesignObject& object, Property property) const {
        if (const auto* value = find(object, property)) return integerOf(*value, property);
        const auto fallback = defaultValue(object.type, property);
        return std::holds_alternative<std::int64_t>(fallback) ? std::get<std::int64_t>(fallback) : 0;
    }
    int number(const DesignObject& object, Property property) const {
        return static_cast<int>(integer(object, property));
    }
    std::uint32_t colour(const DesignObject& object, Property property) const {
        return static_cast<std::uint32_t>(integer(object, property));
    }
    bool flag(const DesignObject& object, Property property) const {
        return find(object, property) != nullptr;
    }
    std::string text(const DesignObject& object, Property property) const {
        if (const auto* value = find(object, property))
            return encoding_ == TextEncoding::Utf16 ? utf8OfUtf16(*value) : utf8OfCodePage(*value, charset_);
        const auto fallback = defaultValue(object.type, property);
        return std::holds_alternative<std::string_view>(fallback)
                   ? std::string(std::get<std::string_view>(fallback))
                   : std::string();
    }
    std::vector<std::uint8_t> bytes(const DesignObject& object, Property property) const {
        if (const auto* value = find(object, property)) return *value;
        return {};
    }
    // The object's own value of a record with the code; none in the compact encodings.
    const std::vector<std::uint8_t>* recordOf(const DesignObject& object, std::uint16_t code) const {
        const auto slot = object.slotOfCode.find(code);
        if (!records_ || slot == object.slotOfCode.end()) return nullptr;
        const auto value = object.properties.find(slot->second);
        return value != object.properties.end() ? &value->second : nullptr;
    }

  private:
    // The object's own value, else its prototype's: in u32 records by the property's code where the
    // records name it (a type's slots move, its codes do not), else by its slot, unless the records
    // name what that slot holds as another property.
    const std::vector<std::uint8_t>* find(const DesignObject& object, Property property) const {
        const auto code = records_ ? recordCodeOfProperty(object.type, property) : std::nullopt;
        const auto slot = slotOfProperty(object.type, property);
        if (!slot) return nullptr;
        const auto in = [&](const DesignObject& holder) -> const std::vector<std::uint8_t>* {
            std::uint32_t at = *slot;
            if (code) {
                if (const auto coded = holder.slotOfCode.find(*code); coded != holder.slotOfCode.end())
                    at = coded->second;
                else
                    for (const auto& [other, otherSlot] : holder.slotOfCode)
                        if (otherSlot == at && propertyOfRecordCode(other).value_or(property) != property)
                            return nullptr;
            }
            const auto value = holder.properties.find(at);
            return value != holder.properties.end() ? &value->second : nullptr;
        };
        if (const auto* own = in(object)) return own;
        if (auto prototype = prototypes_.find(object.type); prototype != prototypes_.end())
            return in(*prototype->second);
        return nullptr;
    }

    static std::int64_t integerOf(const std::vector<std::uint8_t>& value, Property property) {
        if (value.empty() || value.size() > 8)
            throw DesignError(std::string("The report design is damaged: its ") + propertyName(property) +
                              " is not a number.");
        std::uint64_t bits = 0;
        for (std::size_t i = value.size(); i-- > 0;) bits = (bits << 8) | value[i];
        const unsigned unused = 64 - 8 * static_cast<unsigned>(value.size());
        return static_cast<std::int64_t>(bits << unused) >> unused;  // sign-extended
    }

    TextEncoding encoding_;
    bool records_;
    std::string charset_;
    std::map<std::uint16_t, const DesignObject*> prototypes_;
};

ControlKind controlKindOf(std::uint16_t type) {
    switch (type) {
        case kLabel:
            return ControlKind::Label;
        case kRectangle:
            return ControlKind::Rectangle;
        case kLine:
            return ControlKind::Line;
        case kImage:
            return ControlKind::Image;
        case kCommandButton:
            return ControlKind::CommandButton;
        case kOptionButton:
            return ControlKind::OptionButton;
        case kCheckBox:
            return ControlKind::CheckBox;
        case kOptionGroup:
            return ControlKind::OptionGroup;
        case kBoundObjectFrame:
            return ControlKind::BoundObjectFrame;
        case kTextBox:
            return ControlKind::TextBox;
        case kListBox:
            return ControlKind::ListBox;
        case kComboBox:
            return ControlKind::ComboBox;
        case kSubreport:
            return ControlKind::Subreport;
        case kChart:
            return ControlKind::Chart;
        case kObjectFrame:
            return ControlKind::ObjectFrame;
        case kPageBreak:
            return ControlKind::PageBreak;
        case kToggleButton:
            return ControlKind::ToggleButton;
        case kTab:
            return ControlKind::Tab;
        case kPage:
            return ControlKind::Page;
        default:
            return ControlKind::Other;
    }
}

SectionKind sectionKindOf(std::uint16_t type) {
    switch (type) {
        case kReportHeader:
            return SectionKind::ReportHeader;
        case kReportFooter:
            return SectionKind::ReportFooter;
        case kPageHeader:
            return SectionKind::PageHeader;
        case kPageFooter:
            return SectionKind::PageFooter;
        case kGroupHeader:
            return SectionKind::GroupHeader;
        case kGroupFooter:
            return SectionKind::GroupFooter;
        default:
            return SectionKind::Detail;
    }
}

TextAlign textAlignOf(std::int64_t value) {
    return value >= 0 && value <= 4 ? static_cast<TextAlign>(value) : TextAlign::General;
}

class ReportBuilder {
  public:
    ReportBuilder(const DesignTree& tree, const std::string& charset)
        : tree_(tree), read_(tree, charset) {}

    ReportDesign build() {
        const DesignObject& root = tree_.root;
        if (root.type != kReport && root.type != kForm)
            throw DesignError("The design is not a report's or a form's (its type is " +
                              std::to_string(root.type) + ").");
        form_ = root.type == kForm;
        for (const auto& child : root.children)
            if (isControl(child.type)) read_.addPrototype(child);  // controls proper hang under sections

        ReportDesign report;
        if (form_) {
            report.formView = formViewOf(read_.integer(root, Property::DefaultView));
            report.pivotTable = read_.text(root, Property::PivotTable);
            report.chartSpace = read_.text(root, Property::ChartSpace);
        }
        report.recordSource = read_.text(root, Property::RecordSource);
        report.caption = read_.text(root, Property::Caption);
        report.filter = read_.text(root, Property::Filter);
        report.width = read_.number(root, Property::Width);
        report.page = pageSetup(root);
        report.pageHeaderNotWith = pageSectionNotWith(root, Property::PageHeader);
        report.pageFooterNotWith = pageSectionNotWith(root, Property::PageFooter);
        if (!form_) readEvents(root, report);
        for (const auto& child : root.children) {
            if (child.type == kGroupLevel)
                report.groups.push_back(groupLevel(child));
            else if (isSection(child.type))
                report.sections.push_back(section(child));
        }
        for (const auto& section : report.sections)
            if ((section.kind == SectionKind::GroupHeader || section.kind == SectionKind::GroupFooter) &&
                (section.groupLevel < 0 ||
                 static_cast<std::size_t>(section.groupLevel) >= report.groups.size()))
                throw DesignError("The report design is damaged: the section " + section.name +
                                  " belongs to a group level it does not have.");
        return report;
    }

  private:
    static FormView formViewOf(std::int64_t value) {
        return value >= 0 && value <= 5 ? static_cast<FormView>(value) : FormView::Single;
    }
    // Only forms show on a screen: reports keep no DisplayWhen.
    DisplayWhen displayWhenOf(const DesignObject& object) const {
        const auto value = form_ ? read_.integer(object, Property::DisplayWhen) : 0;
        return value >= 0 && value <= 2 ? static_cast<DisplayWhen>(value) : DisplayWhen::Always;
    }

    // The report's events, and the macros embedded in them: a record of its own holds an embedded
    // macro, under a code beside the event's (Northwind 2007's Invoice: 510 for OnOpen). Only codes
    // matched to their event are read; one whose macro cannot be read keeps the event's mark, so that
    // running it says what is missing rather than print as though it had none.
    void readEvents(const DesignObject& root, ReportDesign& report) const {
        struct Event {
            Property property;
            std::string ReportDesign::*text;
            std::uint16_t embeddedCode;  // 0: not known
        };
        static constexpr Event kEvents[] = {
            {Property::OnOpen, &ReportDesign::onOpen, 510},     {Property::OnClose, &ReportDesign::onClose, 0},
            {Property::OnNoData, &ReportDesign::onNoData, 0},   {Property::OnPage, &ReportDesign::onPage, 0},
            {Property::OnActivate, &ReportDesign::onActivate, 0},
        };
        for (const auto& event : kEvents) {
            std::string& text = report.*event.text;
            text = read_.text(root, event.property);
            const auto* embedded = event.embeddedCode ? read_.recordOf(root, event.embeddedCode) : nullptr;
            if (!embedded) continue;
            text = kEmbeddedMacro;
            try {
                report.embeddedMacros.emplace(std::string("Report.") + propertyName(event.property),
                                              parseMacro(*embedded, true));
            } catch (const DesignError&) {
            }
        }
    }

    int pageSectionNotWith(const DesignObject& root, Property property) const {
        return read_.number(root, property) & (kNotWithReportHeader | kNotWithReportFooter);
    }

    PageSetup pageSetup(const DesignObject& root) const {
        PageSetup page;
        const auto mip = read_.bytes(root, Property::PrtMip);
        if (mip.size() >= kMipMarginsEnd) {
            page.leftMargin = static_cast<std::int32_t>(base::getU32(mip, kMipLeft));
            page.topMargin = static_cast<std::int32_t>(base::getU32(mip, kMipTop));
            page.rightMargin = static_cast<std::int32_t>(base::getU32(mip, kMipRight));
            page.bottomMargin = static_cast<std::int32_t>(base::getU32(mip, kMipBottom));
        }
        if (mip.size() >= kMipColumnsEnd) {
            const auto field = [&](std::size_t at) { return static_cast<std::int32_t>(base::getU32(mip, at)); };
            page.columns = std::max(1, field(kMipColumns));
            page.columnSpacing = std::max(0, field(kMipColumnSpacing));
            page.rowSpacing = std::max(0, field(kMipRowSpacing));
            page.sameAsDetail = field(kMipDefaultSize) != 0;
            page.itemWidth = std::max(0, field(kMipItemWidth));
            page.itemHeight = std::max(0, field(kMipItemHeight));
            page.acrossThenDown = base::getU32(mip, kMipItemLayout) != kDownThenAcross;
        }
        const auto devMode = read_.bytes(root, Property::PrtDevMode);
        if (devMode.size() >= kDevModeMinimum) {
            const std::uint32_t fields = base::getU32(devMode, kDevModeFields);
            if (fields & kFieldOrientation)
                page.landscape = base::getU16(devMode, kDevModeOrientation) == kLandscape;
            if (fields & kFieldPaperSize)
                page.paperSize = static_cast<std::int16_t>(base::getU16(devMode, kDevModePaperSize));
            if (fields & kFieldPaperLength)
                page.paperLength = static_cast<std::int16_t>(base::getU16(devMode, kDevModePaperLength));
            if (fields & kFieldPaperWidth)
                page.paperWidth = static_cast<std::int16_t>(base::getU16(devMode, kDevModePaperWidth));
        }
        return page;
    }

    GroupLevel groupLevel(const DesignObject& object) const {
        GroupLevel level;
        level.expression = read_.text(object, Property::ControlSource);
        level.descending = read_.flag(object, Property::SortDescending);
        const auto groupOn = read_.integer(object, Property::GroupOn);
        level.groupOn = groupOn >= 0 && groupOn <= 9 ? static_cast<GroupOn>(groupOn) : GroupOn::EachValue;
        level.groupInterval = read_.number(object, Property::GroupInterval);
        level.header = read_.flag(object, Property::GroupHeader);
        level.footer = read_.flag(object, Property::GroupFooter);
        level.keepTogether = read_.number(object, Property::KeepTogether);
        return level;
    }

    Section section(const DesignObject& object) const {
        Section section;
        section.kind = sectionKindOf(object.type);
        section.name = read_.text(object, Property::Name);
        section.height = read_.number(object, Property::Height);
        section.groupLevel = read_.number(object, Property::GroupLevel);
        section.backColor = read_.colour(object, Property::BackColor);
        section.visible = !read_.flag(object, Property::Hidden);
        section.displayWhen = displayWhenOf(object);
        section.canGrow = read_.flag(object, Property::CanGrow);
        section.canShrink = read_.flag(object, Property::CanShrink);
        section.forceNewPage = read_.number(object, Property::ForceNewPage);
        section.newRowOrCol = read_.number(object, Property::NewRowOrCol);
        section.keepTogether = read_.flag(object, Property::SectionKeepTogether);
        section.repeatSection = read_.flag(object, Property::RepeatSection);
        section.onFormat = read_.text(object, Property::OnFormat);
        section.onPrint = read_.text(object, Property::OnPrint);
        section.onRetreat = read_.text(object, Property::OnRetreat);
        section.onPaint = read_.text(object, Property::OnPaint);
        for (const auto& child : object.children)
            if (isControl(child.type)) section.controls.push_back(control(child));
        return section;
    }

    Control control(const DesignObject& object) const {
        Control control;
        control.kind = controlKindOf(object.type);
        control.typeCode = object.type;
        control.name = read_.text(object, Property::Name);
        control.left = read_.number(object, Property::Left);
        control.top = read_.number(object, Property::Top);
        control.width = read_.number(object, Property::Width);
        control.height = read_.number(object, Property::Height);
        control.caption = read_.text(object, Property::Caption);
        control.controlSource = read_.text(object, Property::ControlSource);
        control.format = read_.text(object, Property::Format);
        control.decimalPlaces = read_.number(object, Property::DecimalPlaces);
        control.font.name = read_.text(object, Property::FontName);
        control.font.size = read_.number(object, Property::FontSize);
        control.font.weight = read_.number(object, Property::FontWeight);
        control.font.italic = read_.flag(object, Property::FontItalic);
        control.font.underline = read_.flag(object, Property::FontUnderline);
        control.textAlign = textAlignOf(read_.integer(object, Property::TextAlign));
        control.foreColor = read_.colour(object, Property::ForeColor);
        control.backColor = read_.colour(object, Property::BackColor);
        control.borderColor = read_.colour(object, Property::BorderColor);
        control.backStyle = read_.number(object, Property::BackStyle);
        control.borderStyle = read_.number(object, Property::BorderStyle);
        control.borderWidth = read_.number(object, Property::BorderWidth);
        control.borderLineStyle = read_.number(object, Property::BorderLineStyle);
        control.specialEffect = read_.number(object, Property::SpecialEffect);
        control.visible = !read_.flag(object, Property::Hidden);
        control.displayWhen = displayWhenOf(object);
        control.tabIndex = read_.number(object, Property::TabIndex);
        control.lineSlant = read_.flag(object, Property::LineSlant);
        // A subreport control grows and shrinks with its rows by default; no design was seen to say
        // otherwise.
        const bool subreport = control.kind == ControlKind::Subreport;
        control.canGrow = subreport || read_.flag(object, Property::CanGrow);
        control.canShrink = subreport || read_.flag(object, Property::CanShrink);
        control.runningSum = read_.number(object, Property::RunningSum);
        control.sizeMode = read_.number(object, Property::SizeMode);
        control.pictureAlignment = read_.number(object, Property::PictureAlignment);
        control.sourceObject = read_.text(object, Property::SourceObject);
        control.linkChildFields = read_.text(object, Property::LinkChildFields);
        control.linkMasterFields = read_.text(object, Property::LinkMasterFields);
        control.rowSourceType = read_.text(object, Property::RowSourceType);
        control.rowSource = read_.text(object, Property::RowSource);
        control.columnWidths = read_.text(object, Property::ColumnWidths);
        control.columnCount = read_.number(object, Property::ColumnCount);
        control.boundColumn = read_.number(object, Property::BoundColumn);
        control.columnHeads = read_.flag(object, Property::ColumnHeads);
        control.picture = read_.bytes(object, Property::Picture);
        for (const auto& child : object.children)
            if (isControl(child.type)) control.children.push_back(this->control(child));
        return control;
    }

    const DesignTree& tree_;
    PropertyReader read_;
    bool form_ = false;
};

}  // namespace

ReportDesign reportDesignOf(const DesignTree& tree, const std::string& charset) {
    return ReportBuilder(tree, charset).build();
}

ReportDesign decodeReportDesign(std::span<const std::uint8_t> blob, const std::string& charset) {
    return reportDesignOf(decodeDesignBlob(blob), charset);
}

const char* controlKindName(ControlKind kind) {
    static constexpr const char* kNames[] = {"Label",     "Rectangle",     "Line",
                                             "Image",     "CommandButton", "OptionButton",
                                             "CheckBox",  "OptionGroup",   "BoundObjectFrame",
                                             "TextBox",   "ListBox",       "ComboBox",
                                             "Subreport", "Chart",         "ObjectFrame",
                                             "PageBreak", "ToggleButton",  "Tab",
                                             "Page",      "Other"};
    return kNames[static_cast<int>(kind)];
}

const char* sectionKindName(SectionKind kind) {
    static constexpr const char* kNames[] = {"ReportHeader", "PageHeader", "GroupHeader", "Detail",
                                             "GroupFooter",  "PageFooter", "ReportFooter"};
    return kNames[static_cast<int>(kind)];
}

}  // namespace platform::jet::design
