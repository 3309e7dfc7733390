#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>

#include "platform/jet/design/DesignError.h"
#include "platform/jet/programs/DatabaseReports.h"
#include "platform/jet/query/DayNumbers.h"
#include "platform/jet/render/Charts.h"
#include "platform/jet/render/ReportDocument.h"
#include "platform/jet/render/ReportEvaluator.h"
#include "platform/jet/render/Subreports.h"
#include "platform/jet/tables/ScopedMdb.h"
#include "tests/support/TestSupport.h"

using namespace platform::jet;
using design::PivotDateGroup;
using query::Value;
using testing::HasSubstr;

namespace {

const char* const kNorthwind2007 = "reports/northwind2007-ace12.accdb";

struct OpenDatabase {
    explicit OpenDatabase(const std::string& path)
        : file(*helper::PageFile::open(path.c_str())),
          mdb(mdb_open(path.c_str(), MDB_NOFLAGS)),
          storage(mdb.get(), file),
          reports(mdb.get(), storage, "CP1252") {}
    helper::PageFile file;
    helper::ScopedMdb mdb;
    helper::ReportStorage storage;
    helper::DatabaseReports reports;
};

std::string chartSpace(const std::string& inside) {
    return "<xml xmlns:x=\"urn:schemas-microsoft-com:office:excel\"><x:ChartSpace>" + inside +
           "</x:ChartSpace></xml>";
}

std::string pivotTable(const std::string& inside) {
    return "<xml xmlns:x=\"urn:schemas-microsoft-com:office:excel\"><x:PivotTable>" + inside +
           "</x:PivotTable></xml>";
}

const std::string kSumOfAmount = pivotTable(
    "<x:PivotField><x:Name>Amount</x:Name></x:PivotField>"
    "<x:PivotField><x:Name>Sum of Amount</x:Name><x:Orientation>Data</x:Orientation>"
    "<x:ParentField>Amount</x:ParentField></x:PivotField>");

TEST(PivotChartSettings, NorthwindsChartFormsAreClusteredColumnsOverTheirPivotFields) {
    const std::string path = test_support::testDataFile(kNorthwind2007).string();
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "no " << kNorthwind2007;
    OpenDatabase database(path);
    const struct {
        const char* form;
        const char *categoryTitle, *categoryField;
        PivotDateGroup group;
        const char *seriesField, *totalField;
    } cases[] = {
        {"Product Sales by Category Chart", "Date", "Order Date", PivotDateGroup::Months, "Category",
         "Amount"},
        {"Product Category Sales by Month", "Month", "Order Date", PivotDateGroup::Months, "Category",
         "SumOfQuantity"},
        {"Product Sales Qty by Employee Chart", "Employee", "Employee Name", PivotDateGroup::None,
         "Product Name", "SumOfQuantity"},
        {"Product Sales by Total Revenue Chart", "Products", "Order Date", PivotDateGroup::Years,
         "Product Name", "Amount"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.form);
        const design::ReportDesign form = database.reports.formDesign(c.form);
        const design::PivotChart chart = design::readPivotChart(form.chartSpace, form.pivotTable);
        EXPECT_EQ(chart.settings.type, design::ChartType::Column);
        EXPECT_EQ(chart.settings.stacking, design::ChartStacking::None);
        EXPECT_EQ(chart.settings.legend, design::LegendPlace::Right);
        EXPECT_EQ(chart.settings.categoryTitle, c.categoryTitle);
        EXPECT_EQ(chart.settings.valueTitle, "Sales");
        EXPECT_EQ(chart.settings.seriesColor(1), 0xC0504Du);  // the palette's second series colour
        ASSERT_EQ(chart.categories.size(), 1u);
        EXPECT_EQ(chart.categories[0].field, c.categoryField);
        EXPECT_EQ(chart.categories[0].group, c.group);
        ASSERT_EQ(chart.series.size(), 1u);
        EXPECT_EQ(chart.series[0].field, c.seriesField);
        ASSERT_EQ(chart.totals.size(), 1u);
        EXPECT_EQ(chart.totals[0].field, c.totalField);
        EXPECT_EQ(chart.totals[0].aggregate, design::PivotAggregate::Sum);
        EXPECT_THAT(chart.approximations, testing::IsEmpty());
    }
}

TEST(PivotChartSettings, WhatCannotBeDrawnAsStoredIsNamedAndDamagedXmlIsRefused) {
    const design::PivotChart read = design::readPivotChart(
        chartSpace(
            "<x:Chart><x:PlotArea><x:Interior><x:Color>#FFC0CB</x:Color></x:Interior><x:Graph><x:Type>Bar</"
            "x:Type>"
            "<x:SubType>Stacked100</x:SubType><x:Series><x:Index>1</x:Index><x:Interior>"
            "<x:Color>#8B008B</x:Color></x:Interior><x:DataLabels><x:ShowValue/></x:DataLabels></x:Series>"
            "</x:Graph><x:Axis><x:Type>Value</x:Type><x:ScaleID>7</x:ScaleID></x:Axis></x:PlotArea></x:Chart>"
            "<x:Title><x:Caption><x:Data>\"Q&amp;A \"\"1\"\"\"</x:Data></x:Caption></x:Title>"
            "<x:Scaling><x:ScaleID>7</x:ScaleID><x:Maximum>80</x:Maximum></x:Scaling>"),
        kSumOfAmount);
    EXPECT_EQ(read.settings.type, design::ChartType::Bar);
    EXPECT_EQ(read.settings.stacking, design::ChartStacking::Percent);
    EXPECT_EQ(read.settings.title, "Q&A \"1\"");
    EXPECT_EQ(read.settings.valueScale.maximum, 80);
    EXPECT_EQ(read.settings.legend, design::LegendPlace::None);
    EXPECT_EQ(read.settings.seriesColor(1), 0x8B008Bu);
    EXPECT_EQ(read.settings.plotFill, 0xFFC0CBu);
    EXPECT_TRUE(read.settings.valueLabels);

    // Entry i of the palette is the colour i; a line chart's first series takes the 25th, its ninth
    // the 17th, and the 17th series the colours of the first.
    std::string palette;
    for (int i = 0; i < 32; ++i) {
        char entry[32];
        std::snprintf(entry, sizeof entry, "<x:Entry>#%06X</x:Entry>", i);
        palette += entry;
    }
    const design::PivotChart lines =
        design::readPivotChart(chartSpace("<x:Palette>" + palette +
                                          "</x:Palette><x:Chart><x:PlotArea><x:Graph><x:Type>Line</x:Type>"
                                          "</x:Graph></x:PlotArea></x:Chart>"),
                               kSumOfAmount);
    EXPECT_EQ(lines.settings.seriesColor(0), 24u);
    EXPECT_EQ(lines.settings.seriesColor(8), 16u);
    EXPECT_EQ(lines.settings.seriesColor(16), 24u);
    EXPECT_FALSE(lines.settings.lineMarkers) << "no Marker subtype";

    const design::PivotChart named = design::readPivotChart(
        chartSpace(
            "<x:Chart><x:PlotArea><x:Graph><x:Type>Doughnut</x:Type></x:Graph></x:PlotArea></x:Chart>"),
        pivotTable("<x:PivotField><x:Name>Region</x:Name><x:Orientation>Row</x:Orientation>"
                   "<x:IncludedMember>East</x:IncludedMember></x:PivotField>"
                   "<x:PivotField><x:Name>Max of Amount</x:Name><x:Orientation>Data</x:Orientation>"
                   "<x:ParentField>Amount</x:ParentField><x:Operator>StdDev</x:Operator></x:PivotField>"
                   "<x:PivotField><x:Name>Largest</x:Name><x:Orientation>Data</x:Orientation>"
                   "<x:ParentField>Amount</x:ParentField><x:PLName>Total4</x:PLName></x:PivotField>"
                   "<x:PLTotal><x:Name>Total4</x:Name><x:Operator>Max</x:Operator></x:PLTotal>"));
    EXPECT_EQ(named.settings.type, design::ChartType::Column);
    EXPECT_THAT(named.approximations,
                testing::ElementsAre(HasSubstr("Doughnut, drawn as columns"), HasSubstr("filter on Region"),
                                     HasSubstr("StdDev, drawn as a sum")));
    ASSERT_EQ(named.totals.size(), 2u);
    EXPECT_EQ(named.totals[1].aggregate, design::PivotAggregate::Max);

    std::string deep;
    for (int i = 0; i < 100; ++i) deep += "<x:A>";
    const struct {
        std::string chart, pivot;
    } damaged[] = {
        {"", kSumOfAmount},
        {chartSpace("<x:Chart>"), kSumOfAmount},
        {chartSpace("<x:Chart></x:Legend>"), kSumOfAmount},
        {chartSpace("<x:Chart>&nbsp;</x:Chart>"), kSumOfAmount},
        {chartSpace("<x:Chart>&#xD800;</x:Chart>"), kSumOfAmount},
        {chartSpace(deep), kSumOfAmount},
        {"<xml><x:Other/></xml>", kSumOfAmount},
        {chartSpace(""), pivotTable("<x:PivotField><x:Name>A</x:Name></x:PivotField>")},  // totals nothing
        {chartSpace(""), pivotTable("<x:PivotField a=\"></x:PivotTable>")},
    };
    for (const auto& c : damaged)
        EXPECT_THROW(design::readPivotChart(c.chart, c.pivot), design::DesignError) << c.chart << c.pivot;
}

double numberOf(const Value& value) {
    if (value.holds<std::int64_t>()) return static_cast<double>(value.get<std::int64_t>());
    if (value.holds<query::Currency>()) return value.get<query::Currency>().tenThousandths / 10000.0;
    if (value.holds<query::Decimal>()) return query::decimalAsDouble(value.get<query::Decimal>());
    return value.get<double>();
}

double dayOf(int year, int month, int day) {
    return query::dayNumber(year, month, day);
}

TEST(PivotChartData, RowsAreGroupedOnTheRowAndColumnFieldsAndEachTotalAggregatesItsCell) {
    design::PivotChart chart;
    chart.categories = {{"Order Date", PivotDateGroup::Months}};
    chart.series = {{"category", PivotDateGroup::None}};
    chart.totals = {{"Amount", "Sum of Amount", design::PivotAggregate::Sum},
                    {"Amount", "Count of Amount", design::PivotAggregate::Count}};
    query::RowSet rows;
    rows.columns = {"Order Date", "Category", "Amount"};
    // March before January in the rows; January of two years is one month; "tea" is "Tea".
    rows.rows = {{query::Date{dayOf(2006, 3, 5)}, Value(std::string("Tea")), Value(4.0)},
                 {query::Date{dayOf(2006, 1, 9)}, Value(std::string("Tea")), Value(1.5)},
                 {query::Date{dayOf(2007, 1, 2)}, Value(std::string("tea")), Value(2.0)},
                 {query::Date{dayOf(2006, 1, 3)}, Value(), Value(10.0)},
                 {query::Date{dayOf(2006, 3, 7)}, Value(std::string("Beer")), Value()}};
    const render::ChartData data = render::pivotChartData(chart, rows);
    EXPECT_EQ(data.categories, (std::vector<std::string>{"Jan", "Mar"}));
    std::map<std::string, std::vector<double>> series;
    for (const auto& each : data.series) series[each.name] = each.values;
    ASSERT_EQ(data.series.size(), 6u);
    EXPECT_EQ(data.series[0].name, "Beer Sum of Amount");  // by name, blanks last
    EXPECT_EQ(data.series[5].name, "(Blank) Count of Amount");
    EXPECT_TRUE(std::isnan(series["Beer Sum of Amount"][0]));  // no rows in January
    EXPECT_TRUE(std::isnan(series["Beer Sum of Amount"][1]));  // a Null amount only
    EXPECT_EQ(series["Beer Count of Amount"][1], 0);
    EXPECT_EQ(series["Tea Sum of Amount"], (std::vector<double>{3.5, 4.0}));
    EXPECT_EQ(series["Tea Count of Amount"], (std::vector<double>{2, 1}));
    EXPECT_EQ(series["(Blank) Sum of Amount"][0], 10.0);

    chart.categories = {{"Region", PivotDateGroup::None}};
    EXPECT_THROW(render::pivotChartData(chart, rows), query::QueryError);
}

// One form in PivotChart view over a table of orders: a red column of each customer's sum, on a fixed
// scale of 0 to 40, without legend or titles.
struct ChartForm : render::ReportSource {
    design::ReportDesign design(const std::string& report) override {
        throw std::runtime_error("no report " + report);
    }
    design::ReportDesign formDesign(const std::string&) override {
        design::ReportDesign form;
        form.formView = design::FormView::PivotChart;
        form.recordSource = "Orders";
        std::string palette;  // the first series colour is the 17th entry
        for (int i = 0; i < 16; ++i) palette += "<x:Entry>#FFFFFF</x:Entry>";
        form.chartSpace = chartSpace(
            "<x:Palette>" + palette +
            "<x:Entry>#FF0000</x:Entry></x:Palette><x:Chart><x:PlotArea><x:Axis><x:Type>Value</x:Type>"
            "<x:ScaleID>1</x:ScaleID></x:Axis></x:PlotArea></x:Chart><x:Scaling><x:ScaleID>1</x:ScaleID>"
            "<x:Minimum>0</x:Minimum><x:Maximum>40</x:Maximum></x:Scaling>");
        form.pivotTable = kSumOfAmount;
        return form;
    }
    query::RowSet rows(const std::string&) override {
        return {{"Customer", "Amount"},
                {{Value(std::int64_t{1}), Value(4.0)},
                 {Value(std::int64_t{2}), Value(20.0)},
                 {Value(std::int64_t{1}), Value(6.0)},
                 {Value(std::int64_t{2}), Value(10.0)}}};
    }
};

// The height of the tallest red column in the picture, in pixels.
int redColumnHeight(const QImage& image) {
    int tallest = 0;
    for (int x = 0; x < image.width(); ++x) {
        int red = 0;
        for (int y = 0; y < image.height(); ++y) red += image.pixel(x, y) == qRgb(255, 0, 0);
        tallest = std::max(tallest, red);
    }
    return tallest;
}

TEST(PivotChartData, AChartInASubreportControlShowsTheRowsLinkedToTheMastersRow) {
    int argc = 1;
    char name[] = "render_tests";
    char* argv[] = {name, nullptr};
    QGuiApplication qt(argc, argv);
    ChartForm forms;
    design::Control control;
    control.kind = design::ControlKind::Subreport;
    control.sourceObject = "Form.Orders Chart";
    control.linkChildFields = "Customer";
    control.linkMasterFields = "ID";
    control.width = 400;
    control.height = 300;
    const query::RowSet master{{"ID"}, {{Value(std::int64_t{1})}, {Value(std::int64_t{2})}}};
    render::ReportEvaluator evaluator(master, {});
    std::vector<int> heights;
    std::set<std::string> omissions;
    for (std::size_t row = 0; row < master.rows.size(); ++row) {
        QImage image(400, 300, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, false);
        render::Subreports subreports(forms, "Orders by Customer");
        const render::RowScope scope{row, row, row};
        EXPECT_EQ(subreports.draw(control, {painter, 1.0, evaluator, scope, {}, omissions}, {}), 300);
        painter.end();
        heights.push_back(redColumnHeight(image));
    }
    EXPECT_THAT(omissions, testing::IsEmpty());
    // 10 and 30 on the same fixed scale.
    ASSERT_GT(heights[0], 20);
    EXPECT_NEAR(heights[1], 3.0 * heights[0], 3);
}

TEST(PivotChartData, ProductSalesByCategoryShowsTheEnginesMonthlySumsOfEachCategory) {
    const std::string path = test_support::testDataFile(kNorthwind2007).string();
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "no " << kNorthwind2007;
    OpenDatabase database(path);
    const design::ReportDesign form = database.reports.formDesign("Product Sales by Category Chart");
    const design::PivotChart chart = design::readPivotChart(form.chartSpace, form.pivotTable);
    const render::ChartData data = render::pivotChartData(chart, database.reports.rows(form.recordSource));

    // The same sums by the engine's own grouping, over the tables.
    const query::RowSet sums = database.reports.rows(
        "SELECT Month(O.[Order Date]), P.Category, Sum(D.Quantity * D.[Unit Price]) FROM (Orders AS O "
        "INNER JOIN [Order Details] AS D ON O.[Order ID] = D.[Order ID]) INNER JOIN Products AS P "
        "ON D.[Product ID] = P.ID GROUP BY Month(O.[Order Date]), P.Category");
    ASSERT_EQ(data.categories, (std::vector<std::string>{"Jan", "Feb", "Mar", "Apr", "May", "Jun"}));
    std::size_t bars = 0;
    for (const auto& series : data.series)
        for (double value : series.values) bars += std::isnan(value) ? 0 : 1;
    EXPECT_EQ(bars, sums.rows.size());
    for (const auto& row : sums.rows) {
        const auto month = static_cast<std::size_t>(numberOf(row[0]));
        const auto series = std::find_if(data.series.begin(), data.series.end(), [&](const auto& each) {
            return each.name == row[1].get<std::string>();
        });
        ASSERT_NE(series, data.series.end()) << row[1].get<std::string>();
        EXPECT_NEAR(series->values.at(month - 1), numberOf(row[2]), 1e-6) << series->name << " " << month;
    }

    int argc = 1;
    char name[] = "render_tests";
    char* argv[] = {name, nullptr};
    QGuiApplication qt(argc, argv);
    const design::ReportDesign report = database.reports.design("Product Sales by Category");
    const render::DrawnReport drawn =
        render::drawReport(report, render::unboundRows(), "Product Sales by Category", &database.reports,
                           "Product Sales by Category");
    EXPECT_THAT(drawn.omissions, testing::IsEmpty());
}

}  // namespace
