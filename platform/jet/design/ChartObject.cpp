#include "platform/jet/design/ChartObject.h"

#include <cmath>

#include "platform/jet/design/DesignError.h"
#include "platform/jet/design/DesignStorage.h"
#include "platform/jet/design/DesignText.h"
#include "base/LittleEndian.h"

namespace platform::jet::design {
namespace {

using Bytes = std::span<const std::uint8_t>;

// Record types of the workbook's chart substream.
enum Record : std::uint16_t {
    kFont = 0x0031,
    kPalette = 0x0092,
    kDataFormat = 0x1006,
    kLineFormat = 0x1007,
    kAreaFormat = 0x100A,
    kAttachedLabel = 0x100C,
    kSeriesText = 0x100D,
    kLegend = 0x1015,
    kBar = 0x1017,
    kLine = 0x1018,
    kPie = 0x1019,
    kArea = 0x101A,
    kScatter = 0x101B,
    kAxis = 0x101D,
    kValueRange = 0x101F,
    kAxisLineFormat = 0x1021,
    kText = 0x1025,
    kFontX = 0x1026,
    kObjectLink = 0x1027,
    kBegin = 0x1033,
    kEnd = 0x1034,
    kChart3d = 0x103A,
    kRadar = 0x103E,
    kSurface = 0x103F,
    kRadarArea = 0x1040,
    kBubble = 0x1061,
    kSeries = 0x1003,
    kChart = 0x1002,
    kChartFormat = 0x1014,
    kAxisParent = 0x1041,
};

constexpr std::uint16_t kCategoryAxis = 0, kValueAxis = 1;
constexpr std::uint16_t kMajorGridlines = 1;
constexpr std::uint16_t kNoLine = 5;
constexpr std::uint16_t kWholeSeries = 0xFFFF;
constexpr std::uint16_t kLinkTitle = 1, kLinkValueAxis = 2, kLinkCategoryAxis = 3;
constexpr std::size_t kFirstPaletteIndex = 8;
// Graph fills series from colour 24 on, and draws their lines from colour 32 on, eight of each.
constexpr std::size_t kFirstSeriesFill = 24, kSeriesColours = 8;
// The colours 8 to 39 of Graph's palette, for a workbook that keeps none.
constexpr std::uint32_t kDefaultPalette[] = {
    0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF,
    0x800000, 0x008000, 0x000080, 0x808000, 0x800080, 0x008080, 0xC0C0C0, 0x808080,
    0x8080FF, 0x802060, 0xFFFFC0, 0xA0E0E0, 0x600080, 0xFF8080, 0x0080C0, 0xC0C0FF,
    0x000080, 0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000, 0x008080, 0x0000FF,
};
constexpr std::size_t kMostSeriesColors = 256;
constexpr double kChartUnits = 4000;  // a chart's width and height in the units positions are given in

[[noreturn]] void damaged(const std::string& what) {
    throw DesignError("The chart's data is damaged: " + what + ".");
}

// One record's body, its fields read only where it has them.
struct Body {
    std::uint16_t type;
    Bytes bytes;
    bool has(std::size_t size) const { return bytes.size() >= size; }
    std::uint16_t u16(std::size_t at) const { return has(at + 2) ? base::getU16(bytes, at) : 0; }
    std::uint32_t u32(std::size_t at) const { return has(at + 4) ? base::getU32(bytes, at) : 0; }
    double f64(std::size_t at) const { return has(at + 8) ? base::getDouble(bytes, at) : 0; }
};

std::uint32_t rgbAt(const Body& body, std::size_t at) {
    if (!body.has(at + 3)) return 0;
    return std::uint32_t{body.bytes[at]} << 16 | std::uint32_t{body.bytes[at + 1]} << 8 | body.bytes[at + 2];
}

// A ShortXLUnicodeString: a count of characters, a flag saying whether they are two bytes each.
std::string shortString(const Body& body, std::size_t at) {
    if (!body.has(at + 2)) return {};
    const std::size_t count = body.bytes[at];
    const bool wide = body.bytes[at + 1] & 1;
    const std::size_t size = wide ? 2 * count : count;
    if (!body.has(at + 2 + size)) damaged("a text runs past its record");
    const Bytes text = body.bytes.subspan(at + 2, size);
    return wide ? utf8OfUtf16(text) : utf8OfCodePage(text, "CP1252");
}

std::optional<double> fixedUnless(bool automatic, double value) {
    if (automatic || !std::isfinite(value)) return std::nullopt;
    return value;
}

class WorkbookReader {
  public:
    ChartSettings read(Bytes workbook) {
        for (std::size_t at = 0; at < workbook.size();) {
            if (workbook.size() - at < 4) damaged("a record is cut short");
            const std::uint16_t type = base::getU16(workbook, at);
            const std::size_t size = base::getU16(workbook, at + 2);
            if (workbook.size() - at - 4 < size) damaged("a record runs past the stream's end");
            take({type, workbook.subspan(at + 4, size)});
            at += 4 + size;
        }
        if (settings_.palette.empty())
            settings_.palette.assign(std::begin(kDefaultPalette), std::end(kDefaultPalette));
        return std::move(settings_);
    }

  private:
    bool inside(std::uint16_t type) const {
        for (auto open : open_)
            if (open == type) return true;
        return false;
    }

    void take(const Body& body) {
        switch (body.type) {
            case kBegin:
                open_.push_back(last_);
                break;
            case kEnd:
                if (open_.empty()) damaged("a block ends that did not begin");
                if (open_.back() == kText) endText();
                if (open_.back() == kChartFormat) ++chartGroups_;
                if (open_.back() == kDataFormat) formatSeries_.reset();
                open_.pop_back();
                break;
            case kFont:
                fonts_.push_back(fontOf(body));
                break;
            case kPalette:
                settings_.palette.clear();
                for (std::size_t i = 0, count = body.u16(0); i < count && body.has(2 + 4 * i + 4); ++i)
                    settings_.palette.push_back(rgbAt(body, 2 + 4 * i));
                break;
            case kSeries:
                ++series_;
                break;
            case kDataFormat:
                formatSeries_.reset();
                if (inside(kSeries) && body.u16(0) == kWholeSeries && body.u16(2) < kMostSeriesColors)
                    formatSeries_ = body.u16(2);
                break;
            case kAttachedLabel:
                // Shown values, or percentages, of a series or of the chart group's default format.
                if (inside(kDataFormat) && (body.u16(0) & 0x3)) settings_.valueLabels = true;
                break;
            case kAreaFormat:
                if (formatSeries_ && !(body.u16(10) & 1)) colour(*formatSeries_, rgbAt(body, 0), false);
                break;
            case kLineFormat:
                if (gridlineAxis_) {
                    const bool shown = body.u16(4) != kNoLine;
                    (*gridlineAxis_ == kValueAxis ? settings_.valueGridlines : settings_.categoryGridlines) =
                        shown;
                    gridlineAxis_.reset();
                } else if (formatSeries_ && !(body.u16(8) & 1)) {
                    colour(*formatSeries_, rgbAt(body, 0), true);
                }
                break;
            case kAxis:
                axis_ = body.u16(0);
                break;
            case kValueRange:
                if (axis_ == kValueAxis && body.has(42)) {
                    const std::uint16_t flags = body.u16(40);
                    settings_.valueScale = {fixedUnless(flags & 0x01, body.f64(0)),
                                            fixedUnless(flags & 0x02, body.f64(8)),
                                            fixedUnless(flags & 0x04, body.f64(16))};
                }
                break;
            case kAxisLineFormat:
                if (body.u16(0) == kMajorGridlines && (axis_ == kValueAxis || axis_ == kCategoryAxis))
                    gridlineAxis_ = axis_;
                break;
            case kFontX:
                if (inside(kText))
                    textFont_ = body.u16(0);
                else if (inside(kAxis))
                    settings_.labelFont = font(body.u16(0), settings_.labelFont);
                break;
            case kText:
                textFont_.reset();
                textLink_ = 0;
                text_.clear();
                break;
            case kSeriesText:
                if (inside(kText)) text_ = shortString(body, 2);
                break;
            case kObjectLink:
                if (inside(kText)) textLink_ = body.u16(0);
                break;
            case kChart:
                // FixedPoint: 16 bits of whole points, 16 of fraction.
                if (const double height = body.u32(12) / 65536.0; height >= 1)
                    settings_.heightPoints = height;
                break;
            case kAxisParent:
                if (body.u16(0) == 0 && body.has(18)) plotArea(body);
                break;
            case kChart3d:
                if (chartGroups_ == 0) settings_.threeD = true;
                break;
            case kLegend:
                if (chartGroups_ == 0) settings_.legend = legendPlace(body.has(17) ? body.bytes[16] : 3);
                break;
            default:
                if (chartGroups_ == 0 && inside(kChartFormat)) chartType(body);
                break;
        }
        last_ = body.type;
    }

    void chartType(const Body& body) {
        const std::uint16_t flags = body.u16(body.type == kBar ? 4 : 0);
        const auto stacking = [](bool stacked, bool percent) {
            return percent ? ChartStacking::Percent : stacked ? ChartStacking::Stacked : ChartStacking::None;
        };
        switch (body.type) {
            case kBar:
                settings_.type = flags & 1 ? ChartType::Bar : ChartType::Column;
                settings_.overlapPercent = static_cast<std::int16_t>(body.u16(0));
                settings_.gapPercent = body.u16(2);
                settings_.stacking = stacking(flags & 2, flags & 4);
                break;
            case kLine:
            case kArea:
                settings_.type = body.type == kLine ? ChartType::Line : ChartType::Area;
                settings_.stacking = stacking(flags & 1, flags & 2);
                break;
            case kPie:
                settings_.type = ChartType::Pie;
                break;
            case kScatter:
            case kRadar:
            case kSurface:
            case kRadarArea:
            case kBubble:
                settings_.type = ChartType::Other;
                break;
            default:
                break;
        }
    }

    void plotArea(const Body& body) {
        const auto at = [&](std::size_t offset) {
            return static_cast<std::int32_t>(body.u32(offset)) / kChartUnits;
        };
        const ChartSettings::Fractions area{at(2), at(6), at(10), at(14)};
        if (area.left >= 0 && area.top >= 0 && area.width > 0 && area.height > 0 &&
            area.left + area.width <= 1 && area.top + area.height <= 1)
            settings_.plotArea = area;
    }

    void endText() {
        std::string* into = textLink_ == kLinkTitle          ? &settings_.title
                            : textLink_ == kLinkValueAxis    ? &settings_.valueTitle
                            : textLink_ == kLinkCategoryAxis ? &settings_.categoryTitle
                                                             : nullptr;
        if (!into) return;
        *into = text_;
        if (textLink_ == kLinkTitle && textFont_) settings_.titleFont = font(*textFont_, settings_.titleFont);
    }

    void colour(std::size_t series, std::uint32_t rgb, bool line) {
        auto& colours = line ? settings_.seriesLineColors : settings_.seriesColors;
        if (colours.size() <= series) colours.resize(series + 1);
        colours[series] = rgb;
    }

    static ChartFont fontOf(const Body& body) {
        ChartFont font;
        font.points = body.u16(0) / 20.0;
        font.italic = body.u16(2) & 2;
        font.bold = body.u16(6) >= 600;
        if (body.has(16)) font.name = shortString(body, 14);
        return font;
    }

    // The workbook's font by its index, which skips 4.
    ChartFont font(std::uint16_t index, const ChartFont& otherwise) const {
        const std::size_t at = index < 4 ? index : index - 1u;
        return at < fonts_.size() && fonts_[at].points > 0 ? fonts_[at] : otherwise;
    }

    static LegendPlace legendPlace(std::uint8_t type) {
        switch (type) {
            case 0:
                return LegendPlace::Bottom;
            case 1:
                return LegendPlace::Corner;
            case 2:
                return LegendPlace::Top;
            case 4:
                return LegendPlace::Left;
            case 7:
                return LegendPlace::Floating;
            default:
                return LegendPlace::Right;
        }
    }

    ChartSettings settings_;
    std::vector<std::uint16_t> open_;  // the records whose blocks are open, outermost first
    std::uint16_t last_ = 0;
    std::vector<ChartFont> fonts_;
    std::size_t series_ = 0;
    std::optional<std::size_t> formatSeries_;
    std::optional<std::uint16_t> axis_, gridlineAxis_, textFont_;
    std::uint16_t textLink_ = 0;
    std::string text_;
    int chartGroups_ = 0;  // chart groups read to their end: only the first sets the type
};

}  // namespace

std::uint32_t ChartSettings::seriesColor(std::size_t series) const {
    // A line chart's series show their line's colour; the others their fill's.
    const auto& own = type == ChartType::Line ? seriesLineColors : seriesColors;
    if (series < own.size() && own[series]) return *own[series];
    const std::size_t first = kFirstSeriesFill + (type == ChartType::Line ? kSeriesColours : 0);
    const std::size_t index = first + series % kSeriesColours - kFirstPaletteIndex;
    if (index < palette.size()) return palette[index];
    return kDefaultPalette[index % std::size(kDefaultPalette)];
}

ChartSettings readChartWorkbook(std::span<const std::uint8_t> workbook) {
    return WorkbookReader().read(workbook);
}

ChartSettings readChartObject(std::span<const std::uint8_t> oleData) {
    if (oleData.size() < 4) damaged("it is too short");
    const std::size_t size = base::getU32(oleData, 0);
    if (oleData.size() - 4 < size) damaged("its object runs past its end");
    const std::vector<std::uint8_t> workbook = streamOfCompoundFile(oleData.subspan(4, size), "Workbook");
    if (workbook.empty()) throw DesignError("The chart keeps no Microsoft Graph workbook.");
    return readChartWorkbook(workbook);
}

}  // namespace platform::jet::design
