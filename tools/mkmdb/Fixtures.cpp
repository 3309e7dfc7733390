#include "Fixtures.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "DatabaseImage.h"
#include "Description.h"
#include "Jet4.h"
#include "Timestamps.h"

namespace mkmdb::fixtures {

std::vector<std::string> hostileReportNames() {
    return {
        "Back\\slash",
        "Forward/slash",
        "Colon: report",
        "Star*",
        "Question?",
        "\"Quoted\"",
        "<Angle brackets>",
        "Pipe|line",
        "All of \\/:*?\"<>|",
        "  Leading blanks",
        "Trailing blanks  ",
        ".Leading dot",
        "Trailing dot.",
        "Trailing dots...",
        "Trailing dot and blank. ",
        ".",
        "..",
        "CON",
        "nul",
        "COM1",
        "LPT9.txt",
        "Umsätze",
        "Überblick 2026",
        "Ventes café & crème",
        "売上レポート",
        "Quarterly revenue by region and product line with the prior year"  // 64 characters,
    };
}

Database hostileNamesDatabase() {
    Database database;
    Table table;
    table.name = "Umsätze 2026";
    table.columns = {{"Région", ColumnType::Text, 40}, {"Betrag €", ColumnType::Double, 255}};
    table.rows = {{std::string("Zürich"), 1250.5}, {std::string("Tōkyō"), -3.75}};
    database.tables.push_back(std::move(table));
    database.reports = hostileReportNames();
    for (const auto& name : database.reports) database.designs[name] = reportShowingItsName(name);
    return database;
}

Report reportShowingItsName(const std::string& name) {
    ReportControl label;
    label.text = name;
    label.width = 5760;
    label.height = 300;
    Report report;
    report.sections.push_back({SectionType::Detail, 0, {}, false, 0, {}, {label}});
    return report;
}

Database largeDatabase(int reportCount, int rowCount) {
    Database database;
    for (int i = 1; i <= reportCount; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Report %05d", i);
        database.reports.emplace_back(name);
    }
    Table orders;
    orders.name = "Orders";
    orders.columns = {{"Order ID", ColumnType::Long, 255},
                      {"Customer", ColumnType::Text, 40},
                      {"Amount", ColumnType::Double, 255},
                      {"Placed", ColumnType::DateTime, 255},
                      {"Paid", ColumnType::YesNo, 255}};
    orders.rows.reserve(static_cast<std::size_t>(rowCount));
    const double firstDay = timestampOf(2020, 1, 1).days;
    for (int i = 0; i < rowCount; ++i) {
        orders.rows.push_back({std::int32_t{i + 1}, "Customer " + std::to_string(i % 1000), i * 0.25,
                               Timestamp{firstDay + i / 1440.0}, i % 2 == 1});
    }
    database.tables.push_back(std::move(orders));
    return database;
}

namespace {

// The table's columns and the report, in the description's words; the rows are made in code.
constexpr char kOrdersReport[] = R"design(
table "Orders"
column "Order ID" Long
column "Customer" Text 40
column "Region" Text 20
column "Order Date" DateTime
column "Product" Text 40
column "Quantity" Long
column "Unit Price" Double
column "Paid" YesNo
report "Orders by Customer"
  source "Orders"
  page portrait letter margins 1080 1080 1080 1080
  group "[Customer]" header footer
  sort "[Order Date]"
  section pageheader height 760
    label "Orders by Customer" at 0 0 6000 400 font "Arial" 14 bold
    label "Order" at 0 440 900 240 bold
    label "Date" at 1000 440 1200 240 bold
    label "Product" at 2300 440 2600 240 bold
    label "Quantity" at 5000 440 800 240 bold align right
    label "Unit Price" at 5900 440 1200 240 bold align right
    label "Amount" at 7200 440 1400 240 bold align right
    label "Running" at 8680 440 1400 240 bold align right
    line at 0 720 10080 0
  section groupheader 0 height 360
    textbox "[Customer]" at 0 40 4000 280 bold
    textbox "[Region]" at 4200 40 2000 280 italic
  section detail height 260
    textbox "[Order ID]" at 0 0 900 240
    textbox "[Order Date]" at 1000 0 1200 240 format "Short Date"
    textbox "[Product]" at 2300 0 2600 240
    textbox "[Quantity]" at 5000 0 800 240 format "Standard" decimals 0
    textbox "[Unit Price]" at 5900 0 1200 240 format "Currency"
    textbox "=[Quantity]*[Unit Price]" at 7200 0 1400 240 format "Currency" name "Amount"
    textbox "=[Quantity]*[Unit Price]" at 8680 0 1400 240 format "Currency" runningsum group
  section groupfooter 0 height 420
    line at 7200 20 2880 0
    textbox "=Count([Order ID]) & \" orders\"" at 4200 60 2800 280 align right
    textbox "=Sum([Quantity]*[Unit Price])" at 7200 60 1400 280 format "Currency" bold
  section pagefooter height 320
    textbox "=\"Page \" & [Page] & \" of \" & [Pages]" at 0 60 10080 240 align right
  section reportfooter height 400
    label "Grand total" at 4200 80 2800 280 bold align right
    textbox "=Sum([Quantity]*[Unit Price])" at 7200 80 1400 280 format "Currency" bold
)design";

constexpr int kRowsPerCustomer = 40;

}  // namespace

Database ordersReportDatabase(int rowCount) {
    static const char* const regions[] = {"North", "North East", "East", "South East",
                                          "South", "South West", "West", "North West"};
    static const char* const products[] = {"Anchovy Paste", "Barley Flour", "Cider Vinegar", "Dark Rye",
                                           "Elderflower",   "Fennel Seeds", "Goat Cheese",   "Hazelnuts",
                                           "Ice Cream",     "Juniper Gin",  "Kippers",       "Lemon Curd",
                                           "Malt Loaf",     "Nettle Tea",   "Oat Biscuits",  "Pear Cider"};
    Database database = parseDescription(kOrdersReport, "the orders report");
    Table& orders = database.tables.front();
    const std::size_t customers = std::max(1, rowCount / kRowsPerCustomer);
    const double firstDay = timestampOf(2020, 1, 1).days;
    orders.madeRows = static_cast<std::size_t>(std::max(0, rowCount));
    orders.makeRow = [=](std::size_t i, std::vector<Value>& row) {
        const std::size_t customer = i % customers;
        const std::size_t product = i * 31 % std::size(products);
        char name[32];
        std::snprintf(name, sizeof name, "Customer %05zu", customer);
        row.assign({std::int32_t(i + 1), std::string(name),
                    std::string(regions[customer % std::size(regions)]),
                    Timestamp{firstDay + static_cast<double>(i) / 48}, std::string(products[product]),
                    std::int32_t(1 + i * 13 % 50), 2.5 + 1.25 * static_cast<double>(product), i % 3 != 0});
    };
    return database;
}

FileImage withCatalogueMapNamingMillionsOfPages(const Database& database) {
    namespace page = platform::jet::page;
    FileImage image = buildDatabaseImage(database);
    const auto bitmapPage = image.addPage();
    auto bitmap = image.page(bitmapPage);
    bitmap[0] = jet4::kUsageBitmapPage;
    bitmap[1] = 0x01;
    std::fill(bitmap.begin() + page::kBitmapPageHeader, bitmap.end(), 0xFF);

    Bytes map{page::kBitmapPagesMap};
    while (map.size() + 4 <= jet4::kMaxRowSize) appendU32(map, bitmapPage);
    const auto mapReference = DataPageWriter(image, 0).add(map);
    putU32(image.page(page::kCatalogueDefinitionPage), page::kJet4Layout.usageMapOffset, mapReference);
    return image;
}

}  // namespace mkmdb::fixtures
