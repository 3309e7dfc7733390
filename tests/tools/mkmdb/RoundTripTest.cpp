// Files the writer produces, read back through libmdb.

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "DatabaseFile.h"
#include "Fixtures.h"
#include "MdbReader.h"
#include "Timestamps.h"
#include "tests/support/TestSupport.h"

namespace mkmdb {
namespace {

using test_support::TemporaryFolder;
using testing::readCatalog;
using testing::readTable;
using testing::reportNames;
using Cells = std::vector<std::optional<std::string>>;

std::filesystem::path write(const TemporaryFolder& folder, const Database& database,
                            const std::string& name = "t.mdb") {
    const auto path = folder / name;
    writeDatabaseFile(database, path, Overwrite::Refuse);
    return path;
}

TEST(RoundTrip, EveryColumnTypeAndNullComesBackExactly) {
    Table table{"Kinds",
                {{"Label", ColumnType::Text, 30},
                 {"Count", ColumnType::Long},
                 {"Ratio", ColumnType::Double},
                 {"When", ColumnType::DateTime},
                 {"Flag", ColumnType::YesNo}},
                {}};
    table.rows = {
        {std::string("Umsätze"), std::numeric_limits<std::int32_t>::min(), -0.5, timestampOf(1899, 12, 30),
         true},
        {std::string("Überblick 2026"), std::numeric_limits<std::int32_t>::max(), 1e300,
         timestampOf(2699, 12, 31, 23, 59, 59), false},  // libmdb shows no date past about 2700
        {std::string("say \"hi\",\ttab; 売上"), 0, 0.1, timestampOf(2024, 2, 29, 12, 0, 1), true},
        {Null{}, Null{}, Null{}, Null{}, false},
        {std::string(30, 'x'), -1, 123456789.125, timestampOf(2000, 1, 1, 0, 0, 0), true},
    };
    TemporaryFolder folder;
    const auto contents = readTable(write(folder, Database{{table}, {}, "", {}, {}}), "Kinds");

    EXPECT_EQ(contents.columnNames, (std::vector<std::string>{"Label", "Count", "Ratio", "When", "Flag"}));
    const std::vector<Cells> expected{
        {"Umsätze", "-2147483648", "-0.5", "1899-12-30 00:00:00", "1"},
        {"Überblick 2026", "2147483647", "1e+300", "2699-12-31 23:59:59", "0"},
        {"say \"hi\",\ttab; 売上", "0", "0.1", "2024-02-29 12:00:01", "1"},
        {std::nullopt, std::nullopt, std::nullopt, std::nullopt, "0"},
        {std::string(30, 'x'), "-1", "123456789.125", "2000-01-01 00:00:00", "1"},
    };
    EXPECT_EQ(contents.rows, expected);
}

TEST(RoundTrip, CatalogueHoldsAccessContainersAndListsReportsInOrder) {
    Database database;
    database.tables = {{"Customers", {{"Name", ColumnType::Text}}, {{std::string("Alder")}}},
                       {"Orders", {{"Id", ColumnType::Long}}, {}}};
    database.reports = {"Sales by Month", "Customer List", "Überblick 2026"};
    TemporaryFolder folder;
    const auto catalog = readCatalog(write(folder, database));

    EXPECT_EQ(reportNames(catalog), database.reports);
    const auto find = [&](const std::string& name) {
        const auto row =
            std::find_if(catalog.begin(), catalog.end(), [&](const auto& r) { return r.name == name; });
        EXPECT_NE(row, catalog.end()) << name;
        return row == catalog.end() ? testing::CatalogRow{} : *row;
    };
    for (const char* container :
         {"Tables", "Databases", "Relationships", "Forms", "Reports", "Modules", "Scripts"})
        EXPECT_EQ(find(container).type, 3) << container;
    const auto tables = find("Tables");
    for (const char* userTable : {"Customers", "Orders"}) {
        const auto row = find(userTable);
        EXPECT_EQ(row.type, 1);
        EXPECT_EQ(row.parentId, tables.id);
        EXPECT_EQ(row.flags, 0u) << "a user table carries no system flag";
    }
    for (const char* systemTable : {"MSysObjects", "MSysACEs", "MSysQueries", "MSysRelationships"}) {
        EXPECT_EQ(find(systemTable).type, 1);
        EXPECT_EQ(find(systemTable).flags, 0x80000000u) << systemTable;
    }
    EXPECT_EQ(find("MSysObjects").id, 2) << "a table's Id is its definition page; MSysObjects' is page 2";
}

TEST(RoundTrip, HostileNamesComeBackAsWritten) {
    const auto database = fixtures::hostileNamesDatabase();
    TemporaryFolder folder;
    const auto path = write(folder, database);

    EXPECT_EQ(reportNames(readCatalog(path)), fixtures::hostileReportNames());
    const auto longest = std::max_element(database.reports.begin(), database.reports.end(),
                                          [](const auto& a, const auto& b) { return a.size() < b.size(); });
    EXPECT_EQ(longest->size(), 64u);
    const auto table = readTable(path, "Umsätze 2026");
    EXPECT_EQ(table.columnNames, (std::vector<std::string>{"Région", "Betrag €"}));
    EXPECT_EQ(table.rows, (std::vector<Cells>{{"Zürich", "1250.5"}, {"Tōkyō", "-3.75"}}));
}

// The benchmark fixture: far more pages than a table's usage map can list inline.
TEST(RoundTrip, TenThousandReportsAndHundredThousandRows) {
    TemporaryFolder folder;
    const auto path = write(folder, fixtures::largeDatabase(10'000, 100'000));
    EXPECT_GT(std::filesystem::file_size(path), 512u * 4096u);

    const auto reports = reportNames(readCatalog(path));
    ASSERT_EQ(reports.size(), 10'000u);
    EXPECT_EQ(reports.front(), "Report 00001");
    EXPECT_EQ(reports[4'999], "Report 05000");
    EXPECT_EQ(reports.back(), "Report 10000");

    const auto orders = readTable(path, "Orders");
    ASSERT_EQ(orders.rows.size(), 100'000u);
    EXPECT_EQ(orders.rows[0], (Cells{"1", "Customer 0", "0", "2020-01-01 00:00:00", "0"}));
    EXPECT_EQ(orders.rows[1441], (Cells{"1442", "Customer 441", "360.25", "2020-01-02 00:01:00", "1"}));
    EXPECT_EQ(orders.rows[99'999], (Cells{"100000", "Customer 999", "24999.75", "2020-03-10 10:39:00", "1"}));
    for (std::size_t i = 0; i < orders.rows.size(); ++i)
        if (orders.rows[i][0] != std::to_string(i + 1)) FAIL() << "row " << i << " is out of place";
}

// Rows a table makes as the file is written come after the rows it holds, in the order made, each
// filled into the same row.
TEST(RoundTrip, MadeRowsFollowTheHeldOnes) {
    Table table{"Made", {{"N", ColumnType::Long}, {"Name", ColumnType::Text}}, {}};
    table.rows = {{std::int32_t{-1}, std::string("held")}, {Null{}, Null{}}};
    table.madeRows = 3;
    table.makeRow = [](std::size_t i, std::vector<Value>& row) {
        if (i == 1) {
            row = {Null{}, Null{}};
            return;
        }
        row = {std::int32_t(i), "made " + std::to_string(i)};
    };
    TemporaryFolder folder;
    const auto contents = readTable(write(folder, Database{{table}, {}, "", {}, {}}), "Made");
    EXPECT_EQ(contents.rows, (std::vector<Cells>{{"-1", "held"},
                                                 {std::nullopt, std::nullopt},
                                                 {"0", "made 0"},
                                                 {std::nullopt, std::nullopt},
                                                 {"2", "made 2"}}));
}

TEST(RoundTrip, PagesFillToTheirLimitsWithoutLosingRows) {
    std::string widest;  // 255 characters, 510 bytes as UTF-16
    for (int i = 0; i < 255; ++i) widest += "ü";
    Table wide{
        "Wide", {{"A", ColumnType::Text, 255}, {"B", ColumnType::Text, 255}, {"N", ColumnType::Long}}, {}};
    for (int i = 0; i < 100; ++i) wide.rows.push_back({widest, std::string(200, 'b'), std::int32_t{i}});
    // Rows of three bytes: the row count per page, not the space, is the limit.
    Table narrow{"Narrow", {{"Flag", ColumnType::YesNo}}, {}};
    for (int i = 0; i < 1000; ++i) narrow.rows.push_back({i % 7 == 0});
    Table empty{"Empty", {{"Nothing", ColumnType::Text}}, {}};
    TemporaryFolder folder;
    const auto path = write(folder, Database{{wide, narrow, empty}, {}, "", {}, {}});

    const auto wideBack = readTable(path, "Wide");
    ASSERT_EQ(wideBack.rows.size(), 100u);
    EXPECT_EQ(wideBack.rows[99], (Cells{widest, std::string(200, 'b'), "99"}));
    const auto narrowBack = readTable(path, "Narrow");
    ASSERT_EQ(narrowBack.rows.size(), 1000u);
    for (int i = 0; i < 1000; ++i) EXPECT_EQ(narrowBack.rows[i][0], i % 7 == 0 ? "1" : "0") << i;
    EXPECT_TRUE(readTable(path, "Empty").rows.empty());
}

}  // namespace
}  // namespace mkmdb
