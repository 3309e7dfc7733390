#include <gtest/gtest.h>

#include "platform/jet/file/JetFormat.h"
#include "platform/jet/query/SavedQuery.h"
#include "tests/platform/jet/query/EngineFixture.h"

namespace query_tests {
namespace {

// The row attributes as the file format names them (Column by this name, not the engine's Column).
using platform::jet::saved_query::Column;
using platform::jet::saved_query::Flags;
using platform::jet::saved_query::GroupBy;
using platform::jet::saved_query::Join;
using platform::jet::saved_query::OrderBy;
using platform::jet::saved_query::Parameter;
using platform::jet::saved_query::RemoteDatabase;
using platform::jet::saved_query::Table;
using platform::jet::saved_query::Where;

QueryRow row(int attribute, std::string expression = "", int flag = 0, std::string name1 = "",
             std::string name2 = "") {
    return {attribute, std::move(expression), flag, std::move(name1), std::move(name2)};
}

class SavedQueries : public EngineTest {
  protected:
    std::vector<std::string> rowsOf(long objectFlags, const std::vector<QueryRow>& rows) {
        QueryEngine engine({}, tables_.loader());
        return rowTexts(engine.select(rebuildSavedQuery("Saved", objectFlags, rows), "the saved query"));
    }
};

// The same outer join, written with either table first, and with a third table joined on either side.
TEST_F(SavedQueries, JoinsKeepTheirKindWhicheverSideComesFirst) {
    const std::vector<std::string> expected = {"1|Fruits", "2|Fruits", "3|Stone fruits", "4|Null"};
    const std::vector<QueryRow> columns = {row(Column, "Items.ID"), row(Column, "c.Label"),
                                           row(OrderBy, "Items.ID")};
    const auto with = [&](std::vector<QueryRow> rows) {
        rows.insert(rows.end(), columns.begin(), columns.end());
        return rows;
    };
    EXPECT_EQ(rowsOf(0, with({row(Table, "", 0, "Items"), row(Table, "", 0, "Categories", "c"),
                              row(Join, "Items.Category = c.Category", 2, "Items", "c")})),
              expected);
    EXPECT_EQ(rowsOf(0, with({row(Table, "", 0, "Categories", "c"), row(Table, "", 0, "Items"),
                              row(Join, "Items.Category = c.Category", 3, "c", "Items")})),
              expected);
    EXPECT_EQ(rowsOf(0, with({row(Table, "", 0, "Items"), row(Table, "", 0, "Categories", "c"),
                              row(Table, "", 0, "Items", "again"),
                              row(Join, "again.ID = Items.ID", 1, "again", "Items"),
                              row(Join, "Items.Category = c.Category", 2, "Items", "c")})),
              expected);
}

TEST_F(SavedQueries, FlagsGiveDistinctTopAndAllColumns) {
    const std::vector<QueryRow> distinct = {
        row(Flags, "", 0x02), row(Table, "", 0, "Items"), row(Column, "LCase(Category)", 0, "c"),
        row(Where, "Category Is Not Null"), row(OrderBy, "LCase(Category)")};
    EXPECT_EQ(rowsOf(0, distinct), (std::vector<std::string>{"fruit", "stone"}));
    const std::vector<QueryRow> top = {row(Flags, "", 0x10, "2"), row(Table, "", 0, "Items"),
                                       row(Column, "ID"), row(OrderBy, "Ratio", 0, "D")};
    EXPECT_EQ(rowsOf(0, top), (std::vector<std::string>{"3", "2"}));
    const std::vector<QueryRow> all = {row(Flags, "", 0x01), row(Table, "", 0, "Categories"),
                                       row(OrderBy, "Label", 0, "D")};
    EXPECT_EQ(rowsOf(0, all), (std::vector<std::string>{"Stone|Stone fruits", "Fruit|Fruits"}));
    const std::vector<QueryRow> grouped = {row(Table, "", 0, "Items"), row(Column, "Sum(Price)", 0, "Total"),
                                           row(Where, "Category Is Not Null"), row(GroupBy, "Category"),
                                           row(OrderBy, "Sum(Price)")};
    EXPECT_EQ(rowsOf(0, grouped), (std::vector<std::string>{"1.75", "10"}));
}

TEST_F(SavedQueries, SubqueriesInFromAreSqlTextNamedByTheirAlias) {
    const std::vector<QueryRow> rows = {row(Table, "SELECT ID, Name FROM Items WHERE ID < 3", 0, "", "t"),
                                        row(Column, "t.Name"), row(OrderBy, "t.ID", 0, "D")};
    EXPECT_EQ(rowsOf(0, rows), (std::vector<std::string>{"banana", "Apple"}));
}

TEST_F(SavedQueries, UnionPartsAreSqlText) {
    const std::vector<QueryRow> rows = {
        row(Flags, "", 0x03), row(Table, "SELECT Category FROM Items WHERE ID < 3", 0, "X7YZ_____1"),
        row(Table, "SELECT Category FROM Categories", 0, "X7YZ_____2"), row(OrderBy, "Category")};
    EXPECT_EQ(rowsOf(128, rows).size(), 3u);  // "Fruit" and "fruit" differ for a union, as in Access
}

// A crosstab's rows say which columns are row headings (2), the heading (1, with its IN list) and the value.
TEST_F(SavedQueries, CrosstabRowsGiveTheirRoles) {
    const std::vector<QueryRow> rows = {row(Flags, "", 0x06),
                                        row(Table, "", 0, "Items"),
                                        row(Column, "Sum(Price)", 0, "Total"),
                                        row(Column, "Active", 2),
                                        row(Column, "Year(Sold) In (1996, 1997)", 1),
                                        row(GroupBy, "Active", 2),
                                        row(GroupBy, "Year(Sold)", 1)};
    EXPECT_EQ(rowsOf(16, rows), (std::vector<std::string>{"True|1.5|Null", "False|Null|0.25"}));
}

TEST_F(SavedQueries, QueriesThatCannotGiveRowsSayWhy) {
    const auto message = [](long flags, const std::vector<QueryRow>& rows) -> std::string {
        try {
            rebuildSavedQuery("Saved", flags, rows);
        } catch (const QueryError& error) {
            return error.what();
        }
        return "no error";
    };
    const std::vector<QueryRow> plain = {row(Table, "", 0, "Items"), row(Column, "ID")};
    std::vector<QueryRow> parameters = plain;
    parameters.push_back(row(Parameter, "", 8, "[Beginning Date]"));
    // Its parameters are asked for when it is run (savedQueryParameters), not refused here.
    EXPECT_EQ(message(0, parameters), "no error");
    const auto declared = savedQueryParameters(parameters);
    ASSERT_EQ(declared.size(), 1u);
    EXPECT_EQ(declared[0].name, "[Beginning Date]");
    EXPECT_EQ(declared[0].type, 8);
    EXPECT_NE(message(16, plain).find("crosstab query 'Saved' lacks its value"), std::string::npos);
    std::vector<QueryRow> remote = plain;
    remote.push_back(row(RemoteDatabase));
    EXPECT_EQ(message(0, remote), "no error") << "an empty row names no other database";
    remote.back().name1 = "C:\\Data\\Other.mdb";
    EXPECT_NE(message(0, remote).find("reads the database C:\\Data\\Other.mdb"), std::string::npos);
    EXPECT_NE(message(48, plain).find("'Saved' is not a select query"), std::string::npos);
    EXPECT_NE(message(0, {row(Table, "", 0, "Items"), row(Column, "ID"),
                          row(Join, "x = y", 1, "Items", "Elsewhere")})
                  .find("'Elsewhere'"),
              std::string::npos);
}

}  // namespace
}  // namespace query_tests
