#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// A Microsoft Graph chart's settings, read from the OLE data a report's chart control keeps: a length,
// then a compound file whose "Workbook" stream holds Graph's data sheet and chart records (the Excel
// chart records, in Graph's own substream). The data sheet is a snapshot of the rows the chart showed
// when the report was saved, so only the settings are read: the rows come from the control's row source.
namespace platform::jet::design {

enum class ChartType { Column, Bar, Line, Pie, Area, Other };  // Other: scatter, radar, surface, bubble
enum class ChartStacking { None, Stacked, Percent };
enum class LegendPlace { None, Bottom, Corner, Top, Right, Left, Floating };

// A value axis's scale: what is fixed, the rest automatic.
struct ChartScale {
    std::optional<double> minimum, maximum, majorUnit;
};

struct ChartFont {
    double points = 8;
    bool bold = false, italic = false;
    std::string name = "Arial";
};

struct ChartSettings {
    ChartType type = ChartType::Column;
    ChartStacking stacking = ChartStacking::None;
    bool threeD = false;
    int gapPercent = 150;    // between groups of bars, in a bar's width
    int overlapPercent = 0;  // of a group's bars over each other
    std::string title, categoryTitle, valueTitle;
    LegendPlace legend = LegendPlace::None;
    ChartScale valueScale;
    // Where the plot area (the axes' rectangle) lies, in fractions of the chart's width and height;
    // none where Graph lays it out itself.
    struct Fractions {
        double left = 0, top = 0, width = 1, height = 1;
    };
    std::optional<Fractions> plotArea;
    // The chart's own height in points: its picture, and so its text, is scaled to the control's height.
    std::optional<double> heightPoints;
    bool valueGridlines = false, categoryGridlines = false;
    bool valueLabels = false;  // each bar, point or slice labelled with its value
    bool seriesOutlines = true;  // bars, areas and slices edged in black, as Graph draws them
    bool lineMarkers = true;     // a line chart's points marked with squares
    // The backgrounds of the chart and of its plot area, as 0xRRGGBB; none: not filled.
    std::optional<std::uint32_t> chartFill, plotFill;
    ChartFont labelFont, titleFont{12, true};
    // Where the axis titles and the legend have fonts of their own; else the labels'.
    std::optional<ChartFont> axisTitleFont, legendFont;
    std::string valueFormat;  // the value axis's labels' Access format; empty: as numbers are written
    // Fixed fills and line colours by series, as 0xRRGGBB; none where Graph chooses.
    std::vector<std::optional<std::uint32_t>> seriesColors, seriesLineColors;
    std::vector<std::uint32_t> palette;  // the workbook's colours 8 onwards, as 0xRRGGBB

    // The colour of a series: its own, else the one Graph gives the series in its place.
    std::uint32_t seriesColor(std::size_t series) const;
};

// Throws DesignError when the data is not a Graph object or its records are damaged.
ChartSettings readChartObject(std::span<const std::uint8_t> oleData);
// The settings in a Graph Workbook stream. Throws DesignError when its records are damaged.
ChartSettings readChartWorkbook(std::span<const std::uint8_t> workbook);

}  // namespace platform::jet::design
