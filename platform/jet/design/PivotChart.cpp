#include "platform/jet/design/PivotChart.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "base/Utf8.h"
#include "platform/jet/design/DesignError.h"

namespace platform::jet::design {
namespace {

// Office Web Components write plain XML: elements in one namespace, texts, no attributes that matter. This
// reads that much, within bounds a damaged or hostile design cannot push it past.
constexpr int kDeepestElement = 64;
constexpr std::size_t kMostElements = 100'000;

struct Element {
    std::string name;  // without its namespace prefix
    std::string text;
    std::vector<Element> children;

    const Element* child(std::string_view wanted) const {
        for (const auto& each : children)
            if (each.name == wanted) return &each;
        return nullptr;
    }
    std::vector<const Element*> all(std::string_view wanted) const {
        std::vector<const Element*> found;
        for (const auto& each : children)
            if (each.name == wanted) found.push_back(&each);
        return found;
    }
    // Its text without surrounding blanks.
    std::string ownText() const {
        const auto first = text.find_first_not_of(" \t\r\n");
        if (first == std::string::npos) return {};
        return text.substr(first, text.find_last_not_of(" \t\r\n") + 1 - first);
    }
    // The text of the first child so named; empty where none.
    std::string value(std::string_view wanted) const {
        const Element* found = child(wanted);
        return found ? found->ownText() : std::string();
    }
    // The first element so named at or below this one, depth first.
    const Element* find(std::string_view wanted) const {
        if (name == wanted) return this;
        for (const auto& each : children)
            if (const Element* found = each.find(wanted)) return found;
        return nullptr;
    }
};

[[noreturn]] void malformed(const std::string& what, const std::string& why) {
    throw DesignError("The form's " + what + " settings are damaged: " + why + ".");
}

class XmlReader {
  public:
    XmlReader(std::string_view xml, std::string what) : xml_(xml), what_(std::move(what)) {}

    Element document() {
        Element document;
        skipMarkup();
        if (!startsWith("<")) fail("it holds no element");
        document.children.push_back(element(1));
        skipMarkup();
        if (at_ != xml_.size()) fail("text follows its last element");
        return document;
    }

  private:
    bool startsWith(std::string_view prefix) const { return xml_.substr(at_).starts_with(prefix); }
    [[noreturn]] void fail(const std::string& why) const { malformed(what_, why); }

    void skipPast(std::string_view end) {
        const auto found = xml_.find(end, at_);
        if (found == std::string_view::npos) fail("it ends inside markup");
        at_ = found + end.size();
    }
    // Blanks, the declaration, comments and a document type, none of which carries a setting.
    void skipMarkup() {
        while (true) {
            while (at_ < xml_.size() && std::string_view(" \t\r\n").find(xml_[at_]) != std::string_view::npos)
                ++at_;
            if (startsWith("<?"))
                skipPast("?>");
            else if (startsWith("<!--"))
                skipPast("-->");
            else if (startsWith("<!") && !startsWith("<![CDATA["))
                skipPast(">");
            else
                return;
        }
    }

    std::string name() {
        const std::size_t start = at_;
        while (at_ < xml_.size() && std::string_view(" \t\r\n/>=").find(xml_[at_]) == std::string_view::npos)
            ++at_;
        if (at_ == start) fail("an element has no name");
        return std::string(xml_.substr(start, at_ - start));
    }

    static std::string localName(const std::string& qualified) {
        const auto colon = qualified.find(':');
        return colon == std::string::npos ? qualified : qualified.substr(colon + 1);
    }

    void appendText(std::string& text, std::string_view raw) const {
        for (std::size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] != '&') {
                text += raw[i];
                continue;
            }
            const auto end = raw.find(';', i);
            if (end == std::string_view::npos || end - i > 12) fail("an & starts no character reference");
            const std::string_view entity = raw.substr(i + 1, end - i - 1);
            static constexpr std::pair<std::string_view, char> kNamed[] = {
                {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
            bool named = false;
            for (const auto& [known, character] : kNamed)
                if (entity == known) text += character, named = true;
            if (!named) {
                const bool hex = entity.starts_with("#x") || entity.starts_with("#X");
                const std::string_view digits = entity.substr(hex ? 2 : 1);
                std::uint32_t code = 0;
                const auto [stop, error] =
                    std::from_chars(digits.data(), digits.data() + digits.size(), code, hex ? 16 : 10);
                if (!entity.starts_with("#") || digits.empty() || error != std::errc() ||
                    stop != digits.data() + digits.size() || code == 0 || code > 0x10FFFF ||
                    (code >= 0xD800 && code < 0xE000))
                    fail("it names an unknown character &" + std::string(entity) + ";");
                base::appendUtf8(text, static_cast<char32_t>(code));
            }
            i = end;
        }
    }

    Element element(int depth) {
        if (depth > kDeepestElement) fail("its elements nest too deeply");
        if (++elements_ > kMostElements) fail("it holds too many elements");
        ++at_;  // the "<"
        const std::string qualified = name();
        Element element{localName(qualified), {}, {}};
        // Attributes: skipped, their quoted values may hold ">".
        while (at_ < xml_.size() && xml_[at_] != '>' && !startsWith("/>")) {
            if (xml_[at_] == '"' || xml_[at_] == '\'') {
                const auto close = xml_.find(xml_[at_], at_ + 1);
                if (close == std::string_view::npos) fail("an attribute's value does not end");
                at_ = close;
            }
            ++at_;
        }
        if (at_ >= xml_.size()) fail("it ends inside the element " + element.name);
        if (startsWith("/>")) {
            at_ += 2;
            return element;
        }
        ++at_;
        while (true) {
            const auto next = xml_.find('<', at_);
            if (next == std::string_view::npos) fail("the element " + element.name + " does not end");
            appendText(element.text, xml_.substr(at_, next - at_));
            at_ = next;
            if (startsWith("</")) {
                at_ += 2;
                if (name() != qualified) fail("the element " + element.name + " ends as another");
                if (at_ >= xml_.size() || xml_[at_] != '>') fail("an end tag does not close");
                ++at_;
                return element;
            }
            if (startsWith("<![CDATA[")) {
                const auto end = xml_.find("]]>", at_);
                if (end == std::string_view::npos) fail("a CDATA section does not end");
                element.text += xml_.substr(at_ + 9, end - at_ - 9);
                at_ = end + 3;
            } else if (startsWith("<!--") || startsWith("<?")) {
                skipPast(startsWith("<!--") ? "-->" : "?>");
            } else {
                element.children.push_back(this->element(depth + 1));
            }
        }
    }

    std::string_view xml_;
    std::string what_;
    std::size_t at_ = 0;
    std::size_t elements_ = 0;
};

std::optional<double> numberOf(const std::string& text) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

// "#5C83B4" as 0xRRGGBB.
std::optional<std::uint32_t> colourOf(const std::string& text) {
    if (text.size() != 7 || text[0] != '#') return std::nullopt;
    std::uint32_t rgb = 0;
    const auto [end, error] = std::from_chars(text.data() + 1, text.data() + 7, rgb, 16);
    if (error != std::errc() || end != text.data() + 7) return std::nullopt;
    return rgb;
}

// The colour of a part's Interior (fill) or Line, where it has one.
std::optional<std::uint32_t> colourOf(const Element* holder, std::string_view part) {
    const Element* kept = holder ? holder->child(part) : nullptr;
    return kept ? colourOf(kept->value("Color")) : std::nullopt;
}

// A title's text: a caption written as a literal ("Sales", quotes doubled inside), or as given.
std::string captionOf(const Element* title) {
    const Element* caption = title ? title->child("Caption") : nullptr;
    if (!caption) return {};
    std::string data = caption->value("Data");
    if (data.size() < 2 || data.front() != '"' || data.back() != '"') return data;
    std::string text;
    for (std::size_t i = 1; i + 1 < data.size(); ++i) {
        text += data[i];
        if (data[i] == '"' && data[i + 1] == '"') ++i;
    }
    return text;
}

// The font a part keeps (its own size and face; the rest as the chart's font).
ChartFont fontOf(const Element* part, const ChartFont& chartFont) {
    ChartFont font = chartFont;
    const Element* kept = part ? part->child("Font") : nullptr;
    if (!kept) return font;
    if (const auto size = numberOf(kept->value("Size")); size && *size > 0 && *size < 400)
        font.points = *size;
    if (const std::string face = kept->value("FontName"); !face.empty()) font.name = face;
    if (kept->value("B") == "True") font.bold = true;
    if (kept->value("I") == "True") font.italic = true;
    return font;
}

LegendPlace legendPlaceOf(const std::string& placement) {
    if (placement == "Top") return LegendPlace::Top;
    if (placement == "Bottom") return LegendPlace::Bottom;
    if (placement == "Left") return LegendPlace::Left;
    return LegendPlace::Right;  // the components' own place for a legend
}

// Office Web Components draw their charts in 10-point text unless a part says otherwise.
constexpr double kChartPoints = 10;
// As in a spreadsheet's palette, series are filled with entries 17 to 24, then 25 to 32, over again;
// lines take them the other way round (Northwind 2007's line chart leaves 17 to 24 black, 25 on coloured).
constexpr std::size_t kFirstSeriesEntry = 16, kSeriesEntries = 16;
constexpr std::size_t kMostSeries = 255;  // as many as a chart draws

void readChartType(const Element& graph, PivotChart& chart) {
    ChartSettings& settings = chart.settings;
    const std::string type = graph.value("Type");
    if (type == "Column" || type.empty()) {
        settings.type = ChartType::Column;
    } else if (type == "Bar") {
        settings.type = ChartType::Bar;
    } else if (type == "Line" || type == "SmoothLine") {
        settings.type = ChartType::Line;
        if (type == "SmoothLine") chart.approximations.push_back("its smoothed lines, drawn straight");
    } else if (type == "Pie") {
        settings.type = ChartType::Pie;
    } else if (type == "Area") {
        settings.type = ChartType::Area;
    } else {
        settings.type = ChartType::Column;
        chart.approximations.push_back("its type " + type + ", drawn as columns");
    }
    // The components mark a line's points only where asked to.
    if (settings.type == ChartType::Line) settings.lineMarkers = false;
    for (const Element* each : graph.all("SubType")) {
        const std::string name = each->ownText();
        if (name == "Smooth")
            chart.approximations.push_back("its smoothed lines, drawn straight");
        else if (name == "Marker")
            settings.lineMarkers = true;
        else if (name == "Stacked")
            settings.stacking = ChartStacking::Stacked;
        else if (name == "Stacked100")
            settings.stacking = ChartStacking::Percent;
        else if (name == "3D" || name == "ThreeD")
            chart.approximations.push_back("its 3-D look, drawn flat");
        else if (name != "Clustered" && name != "Standard" && !name.empty())
            chart.approximations.push_back("its kind " + name + ", drawn plain");
    }
    // Colours chosen for single series, by their place among the series.
    const std::vector<const Element*> series = graph.all("Series");
    for (std::size_t i = 0; i < series.size(); ++i) {
        const auto place = numberOf(series[i]->value("Index")).value_or(static_cast<double>(i));
        if (!(place >= 0 && place < kMostSeries)) continue;
        const auto at = static_cast<std::size_t>(place);
        if (const Element* labels = series[i]->child("DataLabels"); labels && labels->child("ShowValue"))
            settings.valueLabels = true;  // the painter labels every series' values, or none
        for (auto [part, colours] :
             {std::pair{"Interior", &settings.seriesColors}, std::pair{"Line", &settings.seriesLineColors}})
            if (const auto colour = colourOf(series[i], part)) {
                if (colours->size() <= at) colours->resize(at + 1);
                (*colours)[at] = colour;
            }
    }
    if (const auto overlap = numberOf(graph.value("Overlap")))
        settings.overlapPercent = static_cast<int>(std::clamp(*overlap, -100.0, 100.0));
    if (const auto gap = numberOf(graph.value("GapWidth")))
        settings.gapPercent = static_cast<int>(std::clamp(*gap, 0.0, 500.0));
}

void readAxes(const Element& space, const Element& plotArea, ChartSettings& settings) {
    for (const Element* axis : plotArea.all("Axis")) {
        const std::string type = axis->value("Type");
        const bool values = type == "Value";
        if (!values && type != "Category" && type != "TimeScale") continue;
        const Element* title = axis->child("Title");
        (values ? settings.valueTitle : settings.categoryTitle) = captionOf(title);
        if (title) settings.axisTitleFont = fontOf(title, settings.labelFont);
        (values ? settings.valueGridlines : settings.categoryGridlines) =
            axis->child("MajorGridlines") != nullptr;
        if (!values) {
            if (axis->child("Font")) settings.labelFont = fontOf(axis, settings.labelFont);
            continue;
        }
        if (const Element* number = axis->child("Number"))
            settings.valueFormat = number->value("FormatString");
        if (const auto step = numberOf(axis->value("MajorUnit")); step && *step > 0)
            settings.valueScale.majorUnit = step;
        // The value axis's fixed ends are kept with its scale.
        const std::string scale = axis->value("ScaleID");
        for (const Element* scaling : space.all("Scaling")) {
            if (scaling->value("ScaleID") != scale) continue;
            settings.valueScale.minimum = numberOf(scaling->value("Minimum"));
            settings.valueScale.maximum = numberOf(scaling->value("Maximum"));
            if (const auto step = numberOf(scaling->value("MajorUnit")); step && *step > 0)
                settings.valueScale.majorUnit = step;
        }
    }
}

PivotChart readChartSpace(const Element& space) {
    PivotChart chart;
    ChartSettings& settings = chart.settings;
    settings.legend = LegendPlace::None;
    settings.seriesOutlines = false;  // the components fill their bars and slices without an edge
    settings.labelFont = {kChartPoints, false, false, space.value("DefaultFont")};
    if (settings.labelFont.name.empty()) settings.labelFont.name = "Arial";
    settings.titleFont = {kChartPoints * 1.2, true, false, settings.labelFont.name};

    settings.palette.clear();
    if (const Element* palette = space.child("Palette"))
        for (const Element* entry : palette->all("Entry"))
            settings.palette.push_back(colourOf(entry->ownText()).value_or(0));
    // Graph's own palette where the chart keeps none.
    if (settings.palette.size() <= kFirstSeriesEntry) settings.palette.clear();
    const auto entry = [&](std::size_t at) -> std::optional<std::uint32_t> {
        at = kFirstSeriesEntry + at % kSeriesEntries;
        if (at < settings.palette.size()) return settings.palette[at];
        return std::nullopt;
    };
    for (std::size_t i = 0; !settings.palette.empty() && i < kMostSeries; ++i) {
        settings.seriesColors.push_back(entry(i));
        settings.seriesLineColors.push_back(entry(i + kSeriesEntries / 2));
    }

    const std::vector<const Element*> charts = space.all("Chart");
    if (charts.empty()) return chart;
    if (charts.size() > 1)
        chart.approximations.push_back("its " + std::to_string(charts.size() - 1) + " charts past the first");
    const Element& first = *charts.front();
    // The chart's title and legend are kept beside it (or, in one chart of several, in it).
    if (const Element* title = first.child("Title") ? first.child("Title") : space.child("Title")) {
        settings.title = captionOf(title);
        settings.titleFont = fontOf(title, settings.titleFont);
    }
    const Element* legend = first.child("Legend") ? first.child("Legend") : space.child("Legend");
    if (legend) {
        settings.legend = legendPlaceOf(legend->value("Placement"));
        settings.legendFont = fontOf(legend, settings.labelFont);
    }
    settings.chartFill = colourOf(&space, "Interior");
    const Element* plotArea = first.child("PlotArea");
    if (!plotArea) return chart;
    settings.plotFill = colourOf(plotArea, "Interior");
    const std::vector<const Element*> graphs = plotArea->all("Graph");
    if (!graphs.empty()) readChartType(*graphs.front(), chart);
    if (graphs.size() > 1)
        chart.approximations.push_back("its series groups past the first, drawn as the first");
    readAxes(space, *plotArea, settings);
    return chart;
}

PivotDateGroup dateGroupOf(const std::string& type) {
    static constexpr std::pair<std::string_view, PivotDateGroup> kGroups[] = {
        {"Years", PivotDateGroup::Years},     {"Quarters", PivotDateGroup::Quarters},
        {"Months", PivotDateGroup::Months},   {"Weeks", PivotDateGroup::Weeks},
        {"Days", PivotDateGroup::Days},       {"Hours", PivotDateGroup::Hours},
        {"Minutes", PivotDateGroup::Minutes}, {"Seconds", PivotDateGroup::Seconds}};
    for (const auto& [name, group] : kGroups)
        if (type == name) return group;
    return PivotDateGroup::None;
}

// The PivotTable's fields by name: a field is a column of the record source (its SourceName, else its
// name), or a grouping of another field's values (its BaseField).
class PivotFields {
  public:
    explicit PivotFields(const Element& table) {
        for (const char* kind : {"PivotField", "PLPivotField"})
            for (const Element* field : table.all(kind)) byName_.emplace_back(field->value("Name"), field);
    }

    std::string sourceOf(const std::string& name, int depth = 0) const {
        const Element* field = named(name);
        if (!field || depth > 8) return name;
        if (const std::string source = field->value("SourceName"); !source.empty()) return source;
        if (const std::string base = field->value("BaseField"); !base.empty())
            return sourceOf(base, depth + 1);
        return name;
    }

  private:
    const Element* named(const std::string& name) const {
        for (const auto& [each, field] : byName_)
            if (each == name) return field;
        return nullptr;
    }
    std::vector<std::pair<std::string, const Element*>> byName_;
};

bool filters(const Element& field) {
    for (const auto& child : field.children)
        if (child.name.starts_with("Included") || child.name.starts_with("Excluded") ||
            child.name.starts_with("FilterMember") || child.name.starts_with("FilterFunction"))
            return true;
    return false;
}

void readPivotTable(const Element& table, PivotChart& chart) {
    const PivotFields fields(table);
    struct Placed {
        int position;
        std::size_t order;
        const Element* field;
    };
    std::vector<Placed> rows, columns, data;
    std::size_t order = 0;
    for (const Element* field : table.all("PivotField")) {
        const std::string name = field->value("Name");
        if (filters(*field))
            chart.approximations.push_back("its filter on " + fields.sourceOf(name) + ", not applied");
        if (field->child("DataField")) continue;  // where the totals go, not a field of the rows
        const std::string orientation = field->value("Orientation");
        const int position = static_cast<int>(numberOf(field->value("Position")).value_or(0));
        if (orientation == "Row") rows.push_back({position, order++, field});
        if (orientation == "Column") columns.push_back({position, order++, field});
        if (orientation == "Data") data.push_back({position, order++, field});
    }
    const auto byPosition = [](const Placed& a, const Placed& b) {
        return a.position != b.position ? a.position < b.position : a.order < b.order;
    };
    for (auto* placed : {&rows, &columns, &data})
        std::stable_sort(placed->begin(), placed->end(), byPosition);

    const auto axisField = [&](const Element& field) {
        const std::string base = field.value("BaseField");
        if (base.empty()) return PivotAxisField{fields.sourceOf(field.value("Name")), PivotDateGroup::None};
        const PivotDateGroup group = dateGroupOf(field.value("GroupType"));
        if (group == PivotDateGroup::None)
            chart.approximations.push_back("its grouping of " + fields.sourceOf(base) + " by " +
                                           field.value("GroupType") + ", drawn by value");
        return PivotAxisField{fields.sourceOf(base), group};
    };
    for (const auto& each : rows) chart.categories.push_back(axisField(*each.field));
    for (const auto& each : columns) chart.series.push_back(axisField(*each.field));
    for (const auto& each : data) {
        PivotTotal total;
        total.caption = each.field->value("Name");
        total.field = fields.sourceOf(each.field->value("ParentField"));
        // The function is the field's, or else kept with the total it names (PLName) in the field list.
        std::string function = each.field->value("Operator");
        for (const Element* listed : table.all("PLTotal"))
            if (function.empty() && listed->value("Name") == each.field->value("PLName"))
                function = listed->value("Operator");
        static constexpr std::pair<std::string_view, PivotAggregate> kFunctions[] = {
            {"Sum", PivotAggregate::Sum},
            {"Count", PivotAggregate::Count},
            {"Min", PivotAggregate::Min},
            {"Max", PivotAggregate::Max},
            {"Average", PivotAggregate::Average}};
        bool known = function.empty();
        for (const auto& [name, aggregate] : kFunctions)
            if (function == name) total.aggregate = aggregate, known = true;
        if (!known)
            chart.approximations.push_back("its total " + total.caption + " by " + function +
                                           ", drawn as a sum");
        if (total.field.empty()) malformed("PivotTable", "its total " + total.caption + " names no field");
        chart.totals.push_back(std::move(total));
    }
    if (chart.totals.empty()) malformed("PivotTable", "it totals no field");
}

}  // namespace

PivotChart readPivotChart(std::string_view chartSpaceXml, std::string_view pivotTableXml) {
    const Element space = XmlReader(chartSpaceXml, "PivotChart").document();
    const Element* chartSpace = space.find("ChartSpace");
    if (!chartSpace) malformed("PivotChart", "it holds no ChartSpace");
    PivotChart chart = readChartSpace(*chartSpace);
    const Element table = XmlReader(pivotTableXml, "PivotTable").document();
    const Element* pivotTable = table.find("PivotTable");
    if (!pivotTable) malformed("PivotTable", "it holds no PivotTable");
    readPivotTable(*pivotTable, chart);
    return chart;
}

}  // namespace platform::jet::design
