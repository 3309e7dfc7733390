#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <sstream>

#include "platform/jet/query/Parameters.h"
#include "platform/jet/query/RecordSource.h"
#include "tests/platform/jet/query/TestDatabase.h"
#include "tests/support/TestSupport.h"

namespace query_tests {
namespace {

using namespace platform::jet::query;

std::size_t columnIndex(const RowSet& rows, const std::string& name) {
    for (std::size_t i = 0; i < rows.columns.size(); ++i)
        if (rows.columns[i] == name) return i;
    ADD_FAILURE() << "no column " << name;
    return 0;
}

// sparse: Null (a crosstab's empty cell) adds nothing.
std::int64_t currencyTotal(const RowSet& rows, const std::string& column, bool sparse = false) {
    const std::size_t index = columnIndex(rows, column);
    std::int64_t total = 0;
    for (const auto& row : rows.rows) {
        if (sparse && row[index].isNull()) continue;
        EXPECT_TRUE(row[index].holds<Currency>()) << column << " is " << displayText(row[index]);
        if (row[index].holds<Currency>()) total += row[index].get<Currency>().tenThousandths;
    }
    return total;
}

// What the test's own script works out from mdb-export's CSV.
std::string independently(const std::string& file, const std::string& check) {
    const std::string command = "python3 " + std::string(INDEPENDENT_TOTALS_SCRIPT) + " '" +
                                test_support::testDataFile(file).string() + "' " + check;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string output;
    char buffer[4096];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe.get())) output += buffer;
    return output;
}

bool canCheckIndependently() {
    return std::system("command -v python3 >/dev/null && command -v mdb-export >/dev/null") == 0;
}

// The record sources of the reports in the test files, as their designs name them.
struct ReportSource {
    const char* file;
    const char* source;
    const char* error;  // a part of the message, for a source that cannot give rows
};

class ReportSources : public ::testing::TestWithParam<ReportSource> {};

TEST_P(ReportSources, GiveRowsOrSayWhyNot) {
    const ReportSource& c = GetParam();
    OPEN_OR_SKIP(database, c.file);
    if (!c.error) {
        const RowSet rows = readRecordSource(database.get(), c.source);
        EXPECT_FALSE(rows.rows.empty()) << c.source;
        EXPECT_FALSE(rows.columns.empty()) << c.source;
        return;
    }
    try {
        readRecordSource(database.get(), c.source);
        FAIL() << c.source << " gave rows";
    } catch (const QueryError& error) {
        EXPECT_NE(std::string(error.what()).find(c.error), std::string::npos) << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    RealFiles, ReportSources,
    ::testing::Values(
        ReportSource{"northwind-jet4.mdb", "Alphabetical List of Products", nullptr},
        ReportSource{"northwind-jet4.mdb", "Categories", nullptr},
        ReportSource{"northwind-jet4.mdb", "Customers", nullptr},
        ReportSource{"northwind-jet4.mdb", "Invoices", nullptr},
        ReportSource{"northwind-jet4.mdb", "Products by Category", nullptr},
        ReportSource{"northwind-jet4.mdb", "Sales by Category", nullptr},
        ReportSource{"northwind-jet4.mdb", "Sales Totals by Amount", nullptr},
        ReportSource{"northwind-jet4.mdb", "Summary of Sales by Quarter", nullptr},
        ReportSource{"northwind-jet4.mdb", "Summary of Sales by Year", nullptr},
        ReportSource{"northwind-jet4.mdb", "Products", nullptr},
        ReportSource{"northwind-jet4.mdb", "[Order Details Extended]", nullptr},
        ReportSource{
            "northwind-jet4.mdb", "Employee Sales by Country",
            "'Employee Sales by Country' asks for parameter values ([Beginning Date], [Ending Date])"},
        ReportSource{"northwind-jet4.mdb", "Sales by Year", "'Sales by Year' asks for parameter values"},
        ReportSource{"northwind-jet4.mdb", "Quarterly Orders by Product", nullptr},
        ReportSource{"northwind-jet4.mdb", "No Such Thing", "'No Such Thing'"},
        ReportSource{"northwind-jet4.mdb", "Products Above Average Price", nullptr},
        // Columns using aliases selected after them.
        ReportSource{"reports/northwind2007-ace12.accdb", "Inventory", nullptr},
        ReportSource{"reports/northwind2007-ace12.accdb", "Purchase Summary", nullptr},
        ReportSource{"asample.accdb", "Asset Items", nullptr},
        ReportSource{"asample.accdb", "qryGSTCalculations", nullptr},
        ReportSource{"asample.accdb", "~sq_rrptAssetsGroupedByOwners", nullptr},
        ReportSource{"asample.accdb",
                     "SELECT [Asset Items].Owner, Sum([Asset Items].Cost) AS Total FROM [Asset Items] "
                     "GROUP BY [Asset Items].Owner ORDER BY [Asset Items].Owner;",
                     nullptr}));

TEST(RecordSourceLimits, ALargeTableOrADamagedFileIsAClearError) {
    OPEN_OR_SKIP(database, "northwind-jet4.mdb");
    QueryLimits limits;
    limits.maxRowsPerTable = 1000;
    try {
        readRecordSource(database.get(), "Invoices", limits);  // Order Details holds 2155 rows
        FAIL() << "no error";
    } catch (const QueryError& error) {
        EXPECT_NE(std::string(error.what()).find("'Order Details'"), std::string::npos) << error.what();
    }

    // The file cut short: its catalogue reaches past the end.
    const auto cut = std::filesystem::path(SCRATCH_FOLDER) / "cut-short.mdb";
    std::filesystem::create_directories(cut.parent_path());
    std::filesystem::copy_file(test_support::testDataFile("northwind-jet4.mdb"), cut,
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::resize_file(cut, 600'000);
    Database damaged(mdb_open(cut.c_str(), MDB_NOFLAGS));
    ASSERT_TRUE(damaged);
    EXPECT_THROW(readRecordSource(damaged.get(), "Order Details"), QueryError);
}

struct Totals {
    const char* source;
    const char* moneyColumn;
    const char* check;  // of the independent script
    bool sparse = false;
};

class IndependentTotals : public ::testing::TestWithParam<Totals> {};

TEST_P(IndependentTotals, MatchMdbExportSummedAnotherWay) {
    const Totals& c = GetParam();
    OPEN_OR_SKIP(database, "northwind-jet4.mdb");
    if (!canCheckIndependently()) GTEST_SKIP() << "no python3 or mdb-export";
    const RowSet rows = readRecordSource(database.get(), c.source);
    std::istringstream expected(independently("northwind-jet4.mdb", c.check));
    std::size_t count = 0;
    std::int64_t total = 0;
    ASSERT_TRUE(expected >> count >> total) << "the script gave nothing";
    EXPECT_EQ(rows.rows.size(), count);
    EXPECT_EQ(currencyTotal(rows, c.moneyColumn, c.sparse), total);
}

INSTANTIATE_TEST_SUITE_P(
    Northwind, IndependentTotals,
    ::testing::Values(Totals{"Order Subtotals", "Subtotal", "order-subtotals"},
                      Totals{"Summary of Sales by Quarter", "Subtotal", "sales-by-quarter"},
                      Totals{"Invoices", "ExtendedPrice", "invoices"},
                      Totals{"Quarterly Orders by Product", "Qtr 1", "first-quarter-1997", true}));

// Parameter queries give the rows their values choose: Northwind's 1997 sales by country against
// mdb-export's tables summed another way, and the rentals reservations of two customers against the
// groups Access printed (the folder's README).
TEST(ParameterQueries, GiveTheRowsTheirValuesChoose) {
    OPEN_OR_SKIP(northwind, "northwind-jet4.mdb");
    if (!canCheckIndependently()) GTEST_SKIP() << "no python3 or mdb-export";
    const std::vector<Parameter> asked = recordSourceParameters(northwind.get(), "Employee Sales by Country");
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].name, "[Beginning Date]");
    EXPECT_EQ(parameterTypeName(asked[1].type), "Date/Time");
    ParameterValues year;
    year.set("beginning date", "1997-01-01");
    year.set("Ending Date", "#12/31/1997#");
    std::map<std::string, std::pair<std::size_t, std::int64_t>> byCountry;
    for (const auto& row : readRecordSource(northwind.get(), "Employee Sales by Country", {}, year).rows) {
        auto& [count, total] = byCountry[displayText(row.at(0))];
        ++count;
        total += row.at(5).get<Currency>().tenThousandths;
    }
    std::ostringstream ours;
    for (const auto& [country, sums] : byCountry)
        ours << country << '\t' << sums.first << '\t' << sums.second << '\n';
    EXPECT_EQ(ours.str(), independently("northwind-jet4.mdb", "sales-by-country-1997"));

    OPEN_OR_SKIP(rentals, "reports/rentals2000-jet4.mdb");
    struct Printed {
        const char* lastName;
        const char* city;
        std::size_t rows;
        std::int64_t dailyRates, weeklyRates;  // in ten-thousandths
    };
    for (const Printed& p : {Printed{"Arnowitz", "Boulder", 12, 5'064'000, 25'310'000},
                             Printed{"chao", "MIAMI", 4, 1'008'000, 5'150'000}}) {
        ParameterValues values;
        values.set("Last Name", p.lastName);
        values.set("Res City", p.city);
        const std::string source = "qryReservations";
        EXPECT_THROW(readRecordSource(rentals.get(), source, {}, values), QueryError)
            << "[Res State] missing";
        values.set("[Res State]", p.city == std::string("Boulder") ? "CO" : "FL");
        const RowSet rows = readRecordSource(rentals.get(), source, {}, values);
        EXPECT_EQ(rows.rows.size(), p.rows) << p.lastName;
        EXPECT_EQ(currencyTotal(rows, "DailyRate"), p.dailyRates) << p.lastName;
        EXPECT_EQ(currencyTotal(rows, "WeeklyRate"), p.weeklyRates) << p.lastName;
    }
}

struct Groups {
    const char* file;
    const char* source;
    const char* check;  // of the independent script: one line per group, amounts in ten-thousandths
};

class IndependentGroups : public ::testing::TestWithParam<Groups> {};

TEST_P(IndependentGroups, MatchMdbExportGroupedAnotherWay) {
    const Groups& c = GetParam();
    OPEN_OR_SKIP(database, c.file);
    if (!canCheckIndependently()) GTEST_SKIP() << "no python3 or mdb-export";
    std::set<std::string> ours, theirs;
    for (const auto& row : readRecordSource(database.get(), c.source).rows) {
        std::string line;
        for (const Value& value : row)
            line += (line.empty() ? "" : "\t") + (value.holds<Currency>()
                                                      ? std::to_string(value.get<Currency>().tenThousandths)
                                                      : displayText(value));
        ours.insert(line);
    }
    std::istringstream lines(independently(c.file, c.check));
    for (std::string line; std::getline(lines, line);) theirs.insert(line);
    EXPECT_FALSE(theirs.empty());
    EXPECT_EQ(ours, theirs);
}

INSTANTIATE_TEST_SUITE_P(
    RealFiles, IndependentGroups,
    ::testing::Values(
        Groups{"asample.accdb", "qryCostsSummedByOwner", "costs-by-owner"},
        Groups{"northwind-jet4.mdb",
               "SELECT IIf(ShippedDate Is Null, 'none', CStr(Year(ShippedDate))) AS Shipped, Count(*), "
               "Sum(Freight) FROM Orders GROUP BY IIf(ShippedDate Is Null, 'none', CStr(Year(ShippedDate)))",
               "freight-by-year"}));

}  // namespace
}  // namespace query_tests
