#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <sstream>

#include "platform/jet/programs/DatabaseReports.h"
#include "platform/jet/render/ChartPainter.h"
#include "platform/jet/render/Charts.h"
#include "platform/jet/render/ReportDocument.h"
#include "platform/jet/render/SubreportLink.h"
#include "platform/jet/tables/ScopedMdb.h"
#include "tests/support/TestSupport.h"

using namespace platform::jet;
using query::Value;
using testing::HasSubstr;

namespace {

TEST(ChartRowSource, TheLinkFieldsLeadTheOuterSelectAndItsGrouping) {
    const struct {
        const char* rowSource;
        const char* linked;
    } cases[] = {
        {"SELECT ProductName, Sales FROM [Sales by Category];",
         "SELECT [CategoryID], ProductName, Sales FROM [Sales by Category];"},
        {"SELECT [ProductName],Sum([ProductSales]) AS S FROM [Sales by Category]   GROUP BY [ProductName];",
         "SELECT [CategoryID], [ProductName],Sum([ProductSales]) AS S FROM [Sales by Category]   GROUP BY "
         "[CategoryID], [ProductName];"},
        {"select distinct top 5 percent Name from T",
         "select distinct top 5 percent [CategoryID], Name from T"},
        {"TRANSFORM Sum(Amount) SELECT Year FROM T GROUP BY Year PIVOT Quarter",
         "TRANSFORM Sum(Amount) SELECT [CategoryID], Year FROM T GROUP BY [CategoryID], Year PIVOT Quarter"},
        {"SELECT Name FROM (SELECT Name, Max(A) FROM T GROUP BY Name) AS Q",
         "SELECT [CategoryID], Name FROM (SELECT Name, Max(A) FROM T GROUP BY Name) AS Q"},
        {"Product Sales", "SELECT [CategoryID], [Product Sales].* FROM [Product Sales]"},
    };
    for (const auto& c : cases) EXPECT_EQ(render::withLinkColumns(c.rowSource, {"CategoryID"}), c.linked);
    EXPECT_EQ(render::withLinkColumns("SELECT A FROM T", {}), "SELECT A FROM T");
    EXPECT_EQ(render::withLinkColumns("SELECT TOP", {"A"}),
              "SELECT TOP[A], ");  // cut short: no reading past it
    EXPECT_THROW(render::withLinkColumns("SELECT A FROM T UNION SELECT B FROM U", {"A"}), query::QueryError);
}

TEST(ChartValueAxis, FixedEndsAndStepsAreKeptAndTheOthersHoldTheValuesOnRoundNumbers) {
    using design::ChartStacking;
    const struct {
        const char* name;
        design::ChartScale fixed;
        ChartStacking stacking;
        std::vector<std::vector<double>> series;
        render::ValueAxis axis;
    } cases[] = {
        {"fixed", {std::nullopt, 55000, 5000}, ChartStacking::None, {{9796, 3655}}, {0, 55000, 5000}},
        {"automatic", {}, ChartStacking::None, {{9796, 3655}}, {0, 12000, 2000}},
        {"negative", {}, ChartStacking::None, {{-30, 45}}, {-40, 50, 10}},
        {"stacked sums", {}, ChartStacking::Stacked, {{60, 10}, {50, 10}}, {0, 120, 20}},
        {"side by side", {}, ChartStacking::None, {{60, 10}, {50, 10}}, {0, 70, 10}},
        {"to 100%", {std::nullopt, 55000, 5000}, ChartStacking::Percent, {{3, 1}, {1, 1}}, {0, 100, 20}},
        {"a step too fine", {0, 100, 1e-9}, ChartStacking::None, {{50}}, {0, 100, 20}},
        {"ends past any length", {-1e308, 1e308, 1}, ChartStacking::None, {{50}}, {0, 1, 1}},
    };
    for (const auto& c : cases) {
        design::ChartSettings settings;
        settings.valueScale = c.fixed;
        settings.stacking = c.stacking;
        render::ChartData data;
        data.categories.resize(c.series.front().size());
        for (const auto& values : c.series) data.series.push_back({"s", values});
        const render::ValueAxis axis = render::valueAxisOf(settings, data);
        EXPECT_EQ(std::vector<double>({axis.minimum, axis.maximum, axis.majorUnit}),
                  std::vector<double>({c.axis.minimum, c.axis.maximum, c.axis.majorUnit}))
            << c.name;
    }
}

struct QtApplication {
    int argc = 1;
    char name[13] = "render_tests";
    char* argv[2] = {name, nullptr};
    QGuiApplication application{argc, argv};
};

// The bars of the colour: for each run of lines (rows, or columns for upright bars) holding it, the
// widest extent across them in pixels, in the order the runs come.
std::vector<int> barLengths(const QImage& image, QRgb colour, bool upright) {
    std::vector<int> lengths;
    const int lines = upright ? image.width() : image.height();
    const int along = upright ? image.height() : image.width();
    bool inBar = false;
    for (int line = 0; line < lines; ++line) {
        int first = along, last = -1;
        for (int at = 0; at < along; ++at)
            if ((image.pixel(upright ? line : at, upright ? at : line) & 0xFFFFFF) == (colour & 0xFFFFFF))
                first = std::min(first, at), last = std::max(last, at);
        if (last < 0) {
            inBar = false;
            continue;
        }
        if (!inBar) lengths.push_back(0);
        inBar = true;
        lengths.back() = std::max(lengths.back(), last - first + 1);
    }
    return lengths;
}

TEST(Charts, OneWhoseSettingsCannotBeReadIsAColumnChartOfItsLinkedRowsNamedInTheNote) {
    QtApplication qt;
    struct Sales : render::ReportSource {
        design::ReportDesign design(const std::string&) override { throw std::runtime_error("none"); }
        query::RowSet rows(const std::string& source) override {
            sql.push_back(source);
            query::RowSet rows;
            rows.columns = {"Product", "Sales"};
            if (source != "SELECT Product, Sales FROM S") rows.columns.insert(rows.columns.begin(), "Region");
            for (auto [region, product, sales] : {std::tuple{1, "Tea", 10}, {1, "Cocoa", 40}, {2, "Rum", 25}})
                rows.rows.push_back(
                    {Value(std::int64_t{region}), Value(product), Value(std::int64_t{sales})});
            for (auto& row : rows.rows)
                if (rows.columns.size() == 2) row.erase(row.begin());
            return rows;
        }
        std::vector<std::string> sql;
    } source;
    design::Control chart;
    chart.kind = design::ControlKind::Chart;
    chart.name = "SalesChart";
    chart.rowSourceType = "Table/Query";
    chart.rowSource = "SELECT Product, Sales FROM S";
    chart.linkChildFields = "Region";
    chart.picture = {1, 2, 3};  // no Graph object
    render::Charts charts(source);
    QImage image(400, 300, QImage::Format_RGB32);
    image.fill(Qt::white);
    std::set<std::string> omissions;
    {
        QPainter painter(&image);
        for (int drawn = 0; drawn < 2; ++drawn)  // the rows are read once for every drawing
            charts.draw(
                chart, painter, QRectF(0, 0, 400, 300),
                [](const query::RowSet& rows) {
                    return render::linkedRows(rows, {"Region"}, {Value(std::int64_t{1})});
                },
                omissions);
    }
    EXPECT_EQ(source.sql,
              (std::vector<std::string>{chart.rowSource, "SELECT [Region], Product, Sales FROM S"}));
    EXPECT_THAT(omissions, testing::ElementsAre(HasSubstr("the chart SalesChart, drawn as a column chart")));
    // Region 1's two products, as upright bars four times apart.
    const std::vector<int> bars = barLengths(image, design::ChartSettings().seriesColor(0), true);
    ASSERT_EQ(bars.size(), 2u);
    EXPECT_NEAR(static_cast<double>(bars[1]) / bars[0], 4.0, 0.15);
}

// What an external program prints; empty when it cannot run.
std::string outputOf(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0) return {};
    return process.readAllStandardOutput().toStdString();
}

// The 1997 sales of each product, by category name, summed by Python from mdb-export's tables:
// another reader of the file and another way of joining them than the query engine's.
std::map<std::string, std::vector<double>> salesByCategory(const std::string& database) {
    const char* script = R"(
import csv, io, subprocess, sys
from collections import defaultdict
def table(name):
    out = subprocess.run(['mdb-export', sys.argv[1], name], capture_output=True, check=True).stdout
    return list(csv.DictReader(io.StringIO(out.decode('utf-8', 'replace'))))
orders = {o['OrderID']: o for o in table('Orders')}
products = {p['ProductID']: p for p in table('Products')}
names = {c['CategoryID']: c['CategoryName'] for c in table('Categories')}
sums = defaultdict(float)
for line in table('Order Details'):
    if orders[line['OrderID']]['OrderDate'][6:8] != '97': continue
    product = products[line['ProductID']]
    amount = float(line['UnitPrice']) * int(line['Quantity']) * (1 - float(line['Discount']))
    sums[(names[product['CategoryID']], product['ProductName'])] += amount
for (category, product), amount in sums.items(): print(category + '|' + str(amount))
)";
    std::istringstream lines(outputOf("python3", {"-c", script, QString::fromStdString(database)}));
    std::map<std::string, std::vector<double>> sales;
    for (std::string line; std::getline(lines, line);)
        sales[line.substr(0, line.find('|'))].push_back(std::stod(line.substr(line.find('|') + 1)));
    return sales;
}

// The text of a chart drawn 2.5 inches square in a PDF, as pdftotext reads it back from that square.
std::string printedText(const design::ChartSettings& settings, const render::ChartData& data) {
    QTemporaryDir folder;
    const QString pdf = folder.filePath("chart.pdf");
    {
        QPdfWriter writer(pdf);
        writer.setPageMargins(QMarginsF());
        QPainter painter(&writer);
        render::drawChart(painter, QRectF(0, 0, 2.5 * writer.logicalDpiX(), 2.5 * writer.logicalDpiY()),
                          settings, data);
    }
    return outputOf("pdftotext", {"-x", "0", "-y", "0", "-W", "180", "-H", "180", pdf, "-"});
}

// Sales of each of so many people.
render::ChartData salesOf(int people) {
    render::ChartData data;
    data.series.push_back({"Sales", {}});
    for (int i = 1; i <= people; ++i) {
        data.categories.push_back("Salesperson " + std::to_string(i));
        data.series[0].values.push_back(i);
    }
    return data;
}

TEST(Charts, CategoryNamesWiderThanTheirColumnsAreEachPrintedUpright) {
    QtApplication qt;
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) GTEST_SKIP() << "no pdftotext";
    const render::ChartData data = salesOf(9);
    const std::string text = printedText(design::ChartSettings(), data);
    for (const auto& name : data.categories) EXPECT_THAT(text, HasSubstr(name));
}

TEST(Charts, ALegendOfMoreEntriesThanTheChartIsHighShowsEachInSmallerText) {
    QtApplication qt;
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) GTEST_SKIP() << "no pdftotext";
    render::ChartData data{{"2006"}, {}};
    for (int i = 1; i <= 30; ++i) data.series.push_back({"Product " + std::to_string(i), {1.0 * i}});
    design::ChartSettings settings;
    settings.legend = design::LegendPlace::Right;
    const std::string text = printedText(settings, data);
    for (const auto& series : data.series) EXPECT_THAT(text, HasSubstr(series.name + "\n"));
}

TEST(Charts, SalesByCategoryDrawsEachCategorysProductSalesAsBarsOnOneFixedScale) {
    QtApplication qt;
    const std::string path = test_support::testDataFile("northwind-jet4.mdb").string();
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "no northwind-jet4.mdb";
    if (QStandardPaths::findExecutable("pdftoppm").isEmpty() ||
        QStandardPaths::findExecutable("mdb-export").isEmpty())
        GTEST_SKIP() << "no pdftoppm or mdb-export";
    const auto sales = salesByCategory(path);
    ASSERT_EQ(sales.size(), 8u);

    helper::PageFile file(*helper::PageFile::open(path.c_str()));
    helper::ScopedMdb mdb(mdb_open(path.c_str(), MDB_NOFLAGS));
    helper::ReportStorage storage(mdb.get(), file);
    helper::DatabaseReports reports(mdb.get(), storage, "CP1252");
    const design::ReportDesign design = reports.design("Sales by Category");
    const render::DrawnReport drawn = render::drawReport(design, reports.rows(design.recordSource),
                                                         "Sales by Category", &reports, "Sales by Category");
    EXPECT_THAT(drawn.omissions, testing::Not(testing::Contains(HasSubstr("chart"))));

    // The pages as pictures, the first kept in the build folder to look at.
    QTemporaryDir folder;
    const QString pdf = folder.filePath("sales.pdf");
    QFile out(pdf);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly) && out.write(drawn.pdf) == drawn.pdf.size());
    out.close();
    outputOf("pdftoppm", {"-r", "100", "-png", pdf, folder.filePath("page")});
    QImage(folder.filePath("page-1.png")).save("sales-by-category-page-1.png");

    // Pages follow the categories by name, one chart on each; the bars, longest first, hold the sums
    // in the same proportion on every page: the scale is the chart's fixed 0 to 55,000.
    double pixelsPerDollar = 0;
    int page = 0;
    for (const auto& [category, sums] : sales) {
        const QImage image(folder.filePath(QString("page-%1.png").arg(++page)));
        ASSERT_FALSE(image.isNull()) << category;
        std::vector<int> bars = barLengths(image, design::ChartSettings().seriesColor(0), false);
        std::vector<double> expected = sums;
        ASSERT_EQ(bars.size(), expected.size()) << category;
        std::sort(bars.rbegin(), bars.rend());
        std::sort(expected.rbegin(), expected.rend());
        if (pixelsPerDollar == 0) pixelsPerDollar = bars.front() / expected.front();
        for (std::size_t i = 0; i < bars.size(); ++i)
            EXPECT_NEAR(bars[i], expected[i] * pixelsPerDollar, 2.5) << category << " bar " << i;
    }
}

}  // namespace
