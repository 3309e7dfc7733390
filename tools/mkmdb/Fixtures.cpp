#include "Fixtures.h"

#include <algorithm>
#include <cstdio>

#include "DatabaseImage.h"
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
