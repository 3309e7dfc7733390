// Saved queries we write, read back by our own query engine, by mdbtools, and set beside the ones
// Access itself wrote.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "DatabaseFile.h"
#include "Description.h"
#include "RunProgram.h"
#include "platform/jet/query/RecordSource.h"
#include "platform/jet/tables/ScopedMdb.h"
#include "tests/support/TestSupport.h"

namespace mkmdb {
namespace {

namespace query = platform::jet::query;
using ScopedMdb = platform::jet::helper::ScopedMdb;

// Amounts differ from each other, so that no TOP meets a tie.
constexpr const char* kTables = R"(
table "Customers"
column "Customer ID" Long
column "Company" Text 40
column "City" Text 30
row 1 "Alder & Finch" "Bergen"
row 2 "Blue Kettle" "Cardiff"
row 3 "Corner Grind" "Leeds"
row 4 "Pier Seven" "Leeds"
row 5 "Quiet Owl" "Bergen"
table "Orders"
column "Order ID" Long
column "Customer ID" Long
column "Amount" Double
row 10 1 120.5
row 11 2 80
row 12 1 15.25
row 13 3 300
row 14 4 42
row 15 2 7.5
row 16 9 99
)";

struct QueryCase {
    const char* name;
    const char* parts;      // the statements after `query "name"`
    const char* sql;        // the same query in SQLite's SQL, over the same tables
    const char* predicate;  // what mdb-queries puts after SELECT
};

const QueryCase kQueries[] = {
    {"Doubled Amounts",
     "from \"Orders\"\ncolumn \"[Order ID]\"\ncolumn \"Amount*2\" as \"Doubled\"\norder \"Amount\" "
     "descending",
     "SELECT \"Order ID\", Amount*2 FROM Orders ORDER BY Amount DESC", ""},
    {"Customer Orders",
     "from \"Customers\" as \"c\"\nfrom \"Orders\" as \"o\"\n"
     "join inner \"c\" \"o\" on \"c.[Customer ID] = o.[Customer ID]\"\n"
     "column \"c.Company\"\ncolumn \"o.Amount\"\norder \"o.[Order ID]\"",
     "SELECT c.Company, o.Amount FROM Customers c JOIN Orders o ON c.\"Customer ID\" = o.\"Customer ID\" "
     "ORDER BY o.\"Order ID\"",
     ""},
    {"Every Customer",
     "from \"Customers\"\nfrom \"Orders\"\n"
     "join left \"Customers\" \"Orders\" on \"Customers.[Customer ID] = Orders.[Customer ID]\"\n"
     "column \"Customers.Company\"\ncolumn \"Orders.[Order ID]\"\n"
     "order \"Customers.[Customer ID]\"\norder \"Orders.[Order ID]\"",
     "SELECT Company, \"Order ID\" FROM Customers LEFT JOIN Orders USING (\"Customer ID\") "
     "ORDER BY Customers.\"Customer ID\", \"Order ID\"",
     ""},
    {"Every Order",
     "from \"Customers\"\nfrom \"Orders\"\n"
     "join right \"Customers\" \"Orders\" on \"Customers.[Customer ID] = Orders.[Customer ID]\"\n"
     "column \"Orders.[Order ID]\"\ncolumn \"Customers.Company\"\norder \"Orders.[Order ID]\"",
     "SELECT \"Order ID\", Company FROM Orders LEFT JOIN Customers USING (\"Customer ID\") ORDER BY \"Order "
     "ID\"",
     ""},
    {"City Totals",
     "from \"Customers\"\nfrom \"Orders\"\n"
     "join inner \"Customers\" \"Orders\" on \"Customers.[Customer ID] = Orders.[Customer ID]\"\n"
     "column \"Customers.City\"\ncolumn \"Sum(Orders.Amount)\" as \"Total\"\n"
     "column \"Count(*)\" as \"Order Count\"\nwhere \"Orders.Amount > 10\"\ngroup \"Customers.City\"\n"
     "having \"Count(*) > 1\"\norder \"Customers.City\"",
     "SELECT City, Sum(Amount), Count(*) FROM Customers JOIN Orders USING (\"Customer ID\") WHERE Amount > "
     "10 "
     "GROUP BY City HAVING Count(*) > 1 ORDER BY City",
     ""},
    {"Big Cities",
     "from \"City Totals\"\ncolumn \"City\"\ncolumn \"Total\"\nwhere \"Total > 130\"\norder \"City\"",
     "SELECT City, Sum(Amount) FROM Customers JOIN Orders USING (\"Customer ID\") WHERE Amount > 10 "
     "GROUP BY City HAVING Count(*) > 1 AND Sum(Amount) > 130 ORDER BY City",
     ""},
    {"Three Largest", "from \"Orders\"\ncolumn \"[Order ID]\"\norder \"Amount\" descending\ntop 3",
     "SELECT \"Order ID\" FROM Orders ORDER BY Amount DESC LIMIT 3", " TOP 3"},
    // Access rounds a share of the rows up: half of seven is four.
    {"Larger Half", "from \"Orders\"\ncolumn \"Amount\"\norder \"Amount\" descending\ntop 50 percent",
     "SELECT Amount FROM Orders ORDER BY Amount DESC LIMIT 4", " TOP 50 PERCENT"},
    {"Cities", "from \"Customers\"\ncolumn \"City\"\ndistinct\norder \"City\"",
     "SELECT DISTINCT City FROM Customers ORDER BY City", " DISTINCT"},
};

std::string description() {
    std::string text = kTables;
    for (const auto& q : kQueries) text += "query \"" + std::string(q.name) + "\"\n" + q.parts + "\n";
    return text;
}

std::string lineOf(const std::vector<query::Value>& row) {
    std::string line;
    for (std::size_t i = 0; i < row.size(); ++i) line += (i ? "|" : "") + query::displayText(row[i]);
    return line;
}

ScopedMdb open(const std::filesystem::path& file) {
    setenv("MDBICONV", "UTF-8", 1);
    return ScopedMdb(std::filesystem::exists(file) ? mdb_open(file.c_str(), MDB_NOFLAGS) : nullptr);
}

std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

class SavedQueries : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!testing::programExists("mdb-json") || !testing::programExists("python3"))
            GTEST_SKIP() << "mdbtools or python3 is not installed";
        writeDatabaseFile(parseDescription(description(), "queries"), file_, Overwrite::Refuse);
    }

    // Each query's rows as SQLite gives them over the tables mdbtools reads, in the order of kQueries.
    std::vector<std::string> expectedRows() const {
        std::string command = "python3 " + shellQuoted(EXPECTED_ROWS_SCRIPT) + " " +
                              shellQuoted(file_.string()) + " Customers,Orders";
        for (const auto& q : kQueries) command += " " + shellQuoted(q.sql);
        std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
        std::vector<std::string> results(1);
        char buffer[4096];
        while (pipe && std::fgets(buffer, sizeof buffer, pipe.get()))
            if (std::string(buffer) == "--\n")
                results.emplace_back();
            else
                results.back() += buffer;
        results.pop_back();
        return results;
    }

    test_support::TemporaryFolder folder_;
    std::filesystem::path file_ = folder_ / "queries.mdb";
};

TEST_F(SavedQueries, GiveOurEngineTheRowsSqlGivesOverTheSameData) {
    const auto database = open(file_);
    ASSERT_TRUE(database);
    const auto expected = expectedRows();
    ASSERT_EQ(expected.size(), std::size(kQueries));
    for (std::size_t i = 0; i < expected.size(); ++i) {
        std::string rows;
        try {
            for (const auto& row : query::readRecordSource(database.get(), kQueries[i].name).rows)
                rows += lineOf(row) + "\n";
        } catch (const query::QueryError& error) {
            ADD_FAILURE() << kQueries[i].name << ": " << error.what();
            continue;
        }
        EXPECT_FALSE(expected[i].empty()) << kQueries[i].name;
        EXPECT_EQ(rows, expected[i]) << kQueries[i].name;
    }
}

TEST_F(SavedQueries, MdbQueriesListsAndRebuildsThem) {
    std::string names;
    for (const auto& q : kQueries) names += std::string(q.name) + "\n";
    const auto listed = testing::runProgram({"mdb-queries", "-L", "-1", file_.string()});
    EXPECT_EQ(listed.output, names);
    const auto database = parseDescription(description(), "queries");
    for (std::size_t i = 0; i < database.queries.size(); ++i) {
        std::string select = std::string("SELECT") + kQueries[i].predicate + " ";
        for (std::size_t c = 0; c < database.queries[i].columns.size(); ++c)
            select += (c ? "," : "") + database.queries[i].columns[c].expression;
        const auto shown = testing::runProgram({"mdb-queries", file_.string(), kQueries[i].name});
        EXPECT_EQ(shown.exitCode, 0) << kQueries[i].name;
        EXPECT_EQ(shown.output.substr(0, select.size()), select) << kQueries[i].name;
    }
}

// Three of Northwind's queries, described again: the rows we write for each are the rows Access wrote,
// to the Order bytes and the empty cells, and so is the query's catalogue entry.
TEST(SavedQueriesAsAccessWritesThem, MatchNorthwindRowForRow) {
    const auto northwind = open(test_support::testDataFile("northwind-jet4.mdb"));
    if (!northwind) GTEST_SKIP() << "no northwind-jet4.mdb";
    const auto database = parseDescription(R"mdb(
table "Products"
column "ProductID" Long
column "ProductName" Text 40
column "UnitPrice" Double
column "Discontinued" YesNo
table "Order Details"
column "OrderID" Long
column "UnitPrice" Double
column "Quantity" Long
column "Discount" Double
query "Ten Most Expensive Products"
  from "Products"
  column "Products.ProductName" as "TenMostExpensiveProducts"
  column "Products.UnitPrice"
  order "Products.UnitPrice" descending
  top 10
query "Current Product List"
  from "Products" as "Product List"
  column "[Product List].ProductID"
  column "[Product List].ProductName"
  where "((([Product List].Discontinued)=No))"
  order "[Product List].ProductName"
query "Order Subtotals"
  from "Order Details"
  column "[Order Details].OrderID"
  column "Sum(CCur([UnitPrice]*[Quantity]*(1-[Discount])/100)*100)" as "Subtotal"
  group "[Order Details].OrderID"
)mdb",
                                           "northwind queries");
    test_support::TemporaryFolder folder;
    writeDatabaseFile(database, folder / "ours.mdb", Overwrite::Refuse);
    const auto ours = open(folder / "ours.mdb");
    ASSERT_TRUE(ours);

    const auto rowsOf = [](MdbHandle* file, const std::string& name) {
        const std::string quotedName = "'" + name + "'";
        const auto entry = query::readRecordSource(
            file, "SELECT Id, Type, Flags, ParentId FROM MSysObjects WHERE Name = " + quotedName);
        std::vector<std::string> lines;
        if (entry.rows.size() != 1) return lines;
        lines.push_back("entry " + lineOf({entry.rows[0].begin() + 1, entry.rows[0].end()}));
        const auto rows = query::readRecordSource(
            file,
            "SELECT Attribute, [Order], Name1, Name2, Expression, Flag, LvExtra FROM MSysQueries "
            "WHERE ObjectId = " +
                query::displayText(entry.rows[0][0]));
        for (const auto& row : rows.rows) {
            std::string order;
            for (const auto byte : row[1].get<query::Binary>().bytes) order += std::to_string(byte) + ".";
            lines.push_back(query::displayText(row[0]) + " " + order + " " +
                            lineOf({row.begin() + 2, row.end()}));
        }
        return lines;
    };
    for (const auto& q : database.queries) {
        const auto expected = rowsOf(northwind.get(), q.name);
        ASSERT_GT(expected.size(), 3u) << q.name;
        EXPECT_EQ(rowsOf(ours.get(), q.name), expected) << q.name;
    }
}

}  // namespace
}  // namespace mkmdb
