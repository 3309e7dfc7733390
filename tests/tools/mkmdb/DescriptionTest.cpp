// The text form of a database.

#include <gtest/gtest.h>

#include "DatabaseFile.h"
#include "Description.h"
#include "MdbReader.h"
#include "Timestamps.h"
#include "tests/support/TestSupport.h"

namespace mkmdb {
namespace {

TEST(Description, EveryStatementAndValueForm) {
    const auto database = parseDescription(R"(# a comment line
password "p\"w\\d"   # comment after a statement
created 2023-05-06T07:08:09

table "Umsätze 2026"
  column "Name" Text 12
  column "Count" Long
  column "Ratio" Double
  column "When" DateTime
  column "Done" YesNo
  row "a\tb\nc #1" -2147483648 -1.5e-3 2024-02-29 yes
  row null 7 12 2024-02-29T23:59 false
  row "" null null null no

table "Second"
column "Only" Text
report "  Leading blank"
report "Back\\slash and \"quote\""
)",
                                           "inline");
    EXPECT_EQ(database.password, "p\"w\\d");
    EXPECT_EQ(database.created, timestampOf(2023, 5, 6, 7, 8, 9));
    ASSERT_EQ(database.tables.size(), 2u);
    const auto& table = database.tables[0];
    EXPECT_EQ(table.name, "Umsätze 2026");
    ASSERT_EQ(table.columns.size(), 5u);
    EXPECT_EQ(table.columns[0].type, ColumnType::Text);
    EXPECT_EQ(table.columns[0].maxLength, 12);
    EXPECT_EQ(table.columns[4].type, ColumnType::YesNo);
    EXPECT_EQ(database.tables[1].columns[0].maxLength, 255) << "a Text column's length defaults to 255";
    const std::vector<std::vector<Value>> rows{
        {std::string("a\tb\nc #1"), std::int32_t{-2147483647 - 1}, -1.5e-3, timestampOf(2024, 2, 29), true},
        {Null{}, std::int32_t{7}, 12.0, timestampOf(2024, 2, 29, 23, 59), false},
        {std::string(), Null{}, Null{}, Null{}, false},
    };
    EXPECT_EQ(table.rows, rows);
    EXPECT_EQ(database.reports, (std::vector<std::string>{"  Leading blank", "Back\\slash and \"quote\""}));
}

TEST(Description, FaultsNameTheLineAndTheReason) {
    const std::string header = "table \"T\"\ncolumn \"N\" Long\ncolumn \"S\" Text 3\ncolumn \"F\" YesNo\n";
    const std::string q = "query \"Q\"\n";
    const std::vector<std::pair<std::string, std::string>> cases{
        {"tabel \"X\"", "x.txt:1: unknown keyword \"tabel\""},
        {"column \"A\" Long", "x.txt:1: a column before any \"table\""},
        {"table \"T\"\ncolumn \"A\" Integer", "x.txt:2: unknown column type \"Integer\""},
        {"table \"T\"\ncolumn \"A\" Text 256", "x.txt:2: a Text column's length is a number from 1 to 255"},
        {"report \"unclosed", "x.txt:1: a string is not closed"},
        {"report \"bad \\q escape\"", "x.txt:1: unknown escape \\q"},
        {"report Unquoted", "x.txt:1: expected the report's name in double quotes"},
        {"password \"a\"\npassword \"b\"", "x.txt:2: the password is given twice"},
        {"created 2023-02-29", "x.txt:1: no such date"},
        {header + "row 1 \"abc\"", "x.txt:5: the row has 2 values; table \"T\" has 3 columns"},
        {header + "row 2147483648 \"a\" yes", "x.txt:5: column \"N\": expected a whole number"},
        {header + "row 1 abc yes", "x.txt:5: column \"S\": expected text in double quotes or null"},
        {header + "row 1 \"a\" null",
         "x.txt:5: column \"F\": expected yes or no (a Yes/No value is never null)"},
        {header + "row 1 \"a\" yes\ncolumn \"Late\" Long",
         "x.txt:6: columns must come before the table's rows"},
        {"table \"T\"\ncolumn \"D\" Double\nrow nan", "x.txt:3: column \"D\": expected a number"},
        {"table \"T\"\ncolumn \"D\" DateTime\nrow 2024-13-01", "x.txt:3: no such date"},
        {"table \"T\"\ncolumn \"D\" Decimal 29", "x.txt:2: a Decimal column's precision is 1 to 28 digits"},
        {"table \"T\"\ncolumn \"D\" Decimal 5 2\nrow 1.234",
         "x.txt:3: column \"D\": expected a number of at most 5 digits, 2 of them after the point"},
        {"table \"T\"\ncolumn \"D\" Decimal 5 2\nrow 1234", "x.txt:3: column \"D\": expected a number"},
        {q + "from Orders", "x.txt:2: expected a table's or query's name in double quotes"},
        {q + "from \"Orders\" \"o\"", "x.txt:2: expected as \"alias\""},
        {q + "column \"A\" as", "x.txt:2: expected the alias in double quotes"},
        {q + "join outer \"A\" \"B\" on \"x\"", "x.txt:2: expected inner, left or right after \"join\""},
        {q + "join inner \"A\" \"B\" \"x\"", "x.txt:2: expected on \"condition\" after the joined names"},
        {q + "where \"a\"\nwhere \"b\"", "x.txt:3: the query's where is given twice"},
        {q + "having \"\"", "x.txt:2: the query's having is empty"},
        {q + "order \"a\" down", "x.txt:2: expected ascending or descending"},
        {q + "top 0", "x.txt:2: expected a number above 0 after \"top\""},
        {q + "top 5 percents", "x.txt:2: expected percent after the number"},
        {q + "distinct\ndistinct", "x.txt:3: the query's distinct is given twice"},
        {"table \"T\"\ncolumn \"A\" Long\nwhere \"a\"", "x.txt:3: unknown keyword \"where\""},
    };
    for (const auto& [text, expected] : cases) {
        try {
            parseDescription(text, "x.txt");
            ADD_FAILURE() << "accepted: " << text;
        } catch (const Error& error) {
            EXPECT_EQ(std::string(error.what()).substr(0, expected.size()), expected) << text;
        }
    }
}

TEST(Description, AQueryTakesThePartsThatFollowIt) {
    const auto database = parseDescription(R"(table "Orders"
column "Order ID" Long
query "Big Orders"
  from "Orders" as "o"
  from "Customers"
  join left "Customers" "o" on "Customers.ID = o.Customer"
  column "o.[Order ID]"
  column "[Amount]*2" as "Double Amount"
  where "o.Amount > 10"
  group "o.[Order ID]"
  group "Customers.ID"
  having "Count(*) > 1"
  order "o.[Order ID]" descending
  order "Customers.ID" ascending
  order "[Amount]"
  top 5 percent
  distinct
table "After"
column "Order ID" Long
query "Second"
from "Orders"
column "*"
top 3
)",
                                           "inline");
    ASSERT_EQ(database.queries.size(), 2u);
    const Query& q = database.queries[0];
    EXPECT_EQ(q.name, "Big Orders");
    ASSERT_EQ(q.sources.size(), 2u);
    EXPECT_EQ(
        q.sources[0].name + "|" + q.sources[0].alias + "|" + q.sources[1].name + "|" + q.sources[1].alias,
        "Orders|o|Customers|");
    ASSERT_EQ(q.joins.size(), 1u);
    EXPECT_EQ(q.joins[0].kind, JoinKind::Left);
    EXPECT_EQ(q.joins[0].left + "|" + q.joins[0].right + "|" + q.joins[0].on,
              "Customers|o|Customers.ID = o.Customer");
    ASSERT_EQ(q.columns.size(), 2u);
    EXPECT_EQ(q.columns[1].expression + "|" + q.columns[1].alias, "[Amount]*2|Double Amount");
    EXPECT_EQ(q.columns[0].alias, "");
    EXPECT_EQ(q.where, "o.Amount > 10");
    EXPECT_EQ(q.groupBy, (std::vector<std::string>{"o.[Order ID]", "Customers.ID"}));
    EXPECT_EQ(q.having, "Count(*) > 1");
    ASSERT_EQ(q.orderBy.size(), 3u);
    EXPECT_EQ(std::vector<bool>({q.orderBy[0].descending, q.orderBy[1].descending, q.orderBy[2].descending}),
              std::vector<bool>({true, false, false}));
    EXPECT_EQ(q.top, 5);
    EXPECT_TRUE(q.topPercent);
    EXPECT_TRUE(q.distinct);
    // A table statement ends the query: its column is the table's again.
    ASSERT_EQ(database.tables.size(), 2u);
    EXPECT_EQ(database.tables[1].columns.size(), 1u);
    const Query& second = database.queries[1];
    EXPECT_EQ(second.top, 3);
    EXPECT_FALSE(second.topPercent || second.distinct);
}

// The sample that ships beside the program: a small business with a handful of named reports.
TEST(Description, TheSampleDatabaseIsWrittenAndReadBack) {
    const auto database = readDescriptionFile(MKMDB_SAMPLE_DESCRIPTION);
    EXPECT_TRUE(database.password.empty()) << "the sample opens without a password";
    EXPECT_GE(database.reports.size(), 6u);
    test_support::TemporaryFolder folder;
    const auto path = folder / "sample.mdb";
    writeDatabaseFile(database, path, Overwrite::Refuse);

    EXPECT_EQ(testing::reportNames(testing::readCatalog(path)), database.reports);
    for (const auto& table : database.tables)
        EXPECT_EQ(testing::readTable(path, table.name).rows.size(), table.rows.size()) << table.name;
}

}  // namespace
}  // namespace mkmdb
