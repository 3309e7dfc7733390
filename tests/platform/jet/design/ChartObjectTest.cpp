#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "platform/jet/design/ChartObject.h"
#include "platform/jet/design/DesignError.h"
#include "platform/jet/design/ReportDesignReader.h"
#include "platform/jet/tables/ReportStorage.h"
#include "platform/jet/tables/ScopedMdb.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace platform::jet::design;
using Bytes = std::vector<std::uint8_t>;

// A workbook's records, written as Graph writes them: type, length, body.
Bytes record(std::uint16_t type, Bytes body = {}) {
    Bytes out{static_cast<std::uint8_t>(type), static_cast<std::uint8_t>(type >> 8),
              static_cast<std::uint8_t>(body.size()), static_cast<std::uint8_t>(body.size() >> 8)};
    for (auto byte : body) out.push_back(byte);  // (insert of an empty body upsets GCC 12's bounds check)
    return out;
}
Bytes workbook(std::initializer_list<Bytes> records) {
    Bytes out;
    for (const auto& each : records) out.insert(out.end(), each.begin(), each.end());
    return out;
}
const Bytes kBegin = record(0x1033), kEnd = record(0x1034);
Bytes chartGroup(std::uint16_t type, Bytes body) {
    return workbook({record(0x1014, Bytes(20)), kBegin, record(type, std::move(body)), kEnd});
}
// A Text block naming what it labels (1 title, 2 value axis, 3 category axis) and its 8-bit text.
Bytes text(std::uint16_t link, const std::string& words) {
    Bytes seriesText{0, 0, static_cast<std::uint8_t>(words.size()), 0};
    seriesText.insert(seriesText.end(), words.begin(), words.end());
    return workbook({record(0x1025, Bytes(32)), kBegin,
                     record(0x1027, {static_cast<std::uint8_t>(link), 0, 0, 0, 0, 0}),
                     record(0x100D, seriesText), kEnd});
}

TEST(ChartObject, TheTypeAndStackingAreTheFirstChartGroups) {
    struct Case {
        const char* name;
        Bytes records;
        ChartType type;
        ChartStacking stacking;
        bool threeD;
    };
    const Case cases[] = {
        {"columns", chartGroup(0x1017, {0, 0, 150, 0, 0, 0}), ChartType::Column, ChartStacking::None, false},
        {"stacked bars", chartGroup(0x1017, {0, 0, 150, 0, 3, 0}), ChartType::Bar, ChartStacking::Stacked,
         false},
        {"100% columns", chartGroup(0x1017, {0, 0, 150, 0, 6, 0}), ChartType::Column, ChartStacking::Percent,
         false},
        {"stacked lines", chartGroup(0x1018, {1, 0}), ChartType::Line, ChartStacking::Stacked, false},
        {"100% areas", chartGroup(0x101A, {2, 0}), ChartType::Area, ChartStacking::Percent, false},
        {"pie", chartGroup(0x1019, {0, 0, 0, 0, 0, 0}), ChartType::Pie, ChartStacking::None, false},
        {"scatter", chartGroup(0x101B, Bytes(6)), ChartType::Other, ChartStacking::None, false},
        {"3-D columns",
         workbook(
             {record(0x1014, Bytes(20)), kBegin, record(0x1017, Bytes(6)), record(0x103A, Bytes(14)), kEnd}),
         ChartType::Column, ChartStacking::None, true},
        {"a second group's line",
         workbook({chartGroup(0x1017, {0, 0, 150, 0, 1, 0}), chartGroup(0x1018, {0, 0})}), ChartType::Bar,
         ChartStacking::None, false},
    };
    for (const auto& c : cases) {
        const ChartSettings settings = readChartWorkbook(c.records);
        EXPECT_EQ(settings.type, c.type) << c.name;
        EXPECT_EQ(settings.stacking, c.stacking) << c.name;
        EXPECT_EQ(settings.threeD, c.threeD) << c.name;
    }
}

TEST(ChartObject, TitlesLegendAndFixedSeriesColoursAreRead) {
    const Bytes legendAtBottom(20, 0);
    Bytes fill(16, 0);
    fill[0] = 0x12, fill[1] = 0x34, fill[2] = 0x56;  // not automatic: flags 0
    const ChartSettings settings = readChartWorkbook(workbook({
        record(0x1003, Bytes(12)),
        kBegin,
        record(0x1006, {0xFF, 0xFF, 0, 0, 0, 0, 0, 0}),
        kBegin,
        record(0x100A, fill),
        kEnd,
        kEnd,  // series 1: a fill of its own
        record(0x1003, Bytes(12)),
        kBegin,
        record(0x1006, {0xFF, 0xFF, 1, 0, 1, 0, 0, 0}),
        kBegin,
        record(0x100A, {0x12, 0x34, 0x56, 0, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0}),
        record(0x100C, {1, 0}),
        kEnd,
        kEnd,  // automatic, its values shown
        text(1, "Sales"),
        text(2, "Amount"),
        text(3, "Product"),
        record(0x1014, Bytes(20)),
        kBegin,
        record(0x1017, Bytes(6)),
        record(0x1015, legendAtBottom),
        kEnd,
    }));
    EXPECT_EQ(settings.title, "Sales");
    EXPECT_EQ(settings.valueTitle, "Amount");
    EXPECT_EQ(settings.categoryTitle, "Product");
    EXPECT_EQ(settings.legend, LegendPlace::Bottom);
    EXPECT_TRUE(settings.valueLabels);
    EXPECT_EQ(settings.seriesColor(0), 0x123456u);
    EXPECT_EQ(settings.seriesColor(1), 0x802060u);  // Graph's second series fill
    EXPECT_EQ(settings.seriesColor(9), 0x802060u);  // the eight fills repeat
}

TEST(ChartObject, DamagedDataIsAnErrorNotACrash) {
    const Bytes cut = record(0x1017, Bytes(6));
    const struct {
        const char* name;
        Bytes oleData;
        bool workbookOnly;
    } cases[] = {
        {"a record cut short", Bytes(cut.begin(), cut.end() - 2), true},
        {"half a record header", {0x17, 0x10}, true},
        {"an end without a begin", kEnd, true},
        {"a text longer than its record",
         workbook({record(0x1025, Bytes(32)), kBegin, record(0x100D, {0, 0, 200, 0, 'a'})}), true},
        {"no length", {1, 2}, false},
        {"a length past the end", {0xFF, 0xFF, 0, 0, 0xD0, 0xCF}, false},
        {"not a compound file", {4, 0, 0, 0, 'B', 'I', 'F', 'F'}, false},
    };
    for (const auto& c : cases)
        EXPECT_THROW(c.workbookOnly ? readChartWorkbook(c.oleData) : readChartObject(c.oleData), DesignError)
            << c.name;
}

TEST(ChartObject, NorthwindsSalesChartIsAHorizontalBarChartOnAFixedScale) {
    const std::string path = test_support::testDataFile("northwind-jet4.mdb").string();
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "no northwind-jet4.mdb";
    using platform::jet::helper::PageFile;
    PageFile file(*PageFile::open(path.c_str()));
    platform::jet::helper::ScopedMdb mdb(mdb_open(path.c_str(), MDB_NOFLAGS));
    platform::jet::helper::ReportStorage storage(mdb.get(), file);
    const ReportDesign design = decodeReportDesign(storage.designBlob("Sales by Category"));
    const Control* chart = nullptr;
    for (const auto& section : design.sections)
        for (const auto& control : section.controls)
            if (control.kind == ControlKind::Chart) chart = &control;
    ASSERT_NE(chart, nullptr);
    EXPECT_EQ(std::vector<int>({chart->left, chart->top, chart->width, chart->height}),
              std::vector<int>({285, 5040, 8056, 5821}));
    EXPECT_EQ(chart->linkChildFields, "CategoryID");
    EXPECT_EQ(chart->linkMasterFields, "CategoryID");
    EXPECT_NE(chart->rowSource.find("FROM [Sales by Category]"), std::string::npos);

    const ChartSettings settings = readChartObject(chart->picture);
    EXPECT_EQ(settings.type, ChartType::Bar);
    EXPECT_EQ(settings.gapPercent, 150);
    EXPECT_FALSE(settings.threeD);
    EXPECT_EQ(settings.valueScale.maximum, 55000);
    EXPECT_EQ(settings.valueScale.majorUnit, 5000);
    EXPECT_FALSE(settings.valueScale.minimum.has_value());
    EXPECT_TRUE(settings.valueGridlines);
    EXPECT_FALSE(settings.valueLabels);
    EXPECT_EQ(settings.legend, LegendPlace::None);
    EXPECT_EQ(settings.title, "");
    EXPECT_EQ(settings.labelFont.points, 6);
    EXPECT_NEAR(settings.heightPoints.value_or(0), 261.75, 0.01);
    EXPECT_EQ(settings.seriesColor(0), 0x8080FFu);  // as the picture Access cached draws its bars
}

}  // namespace
