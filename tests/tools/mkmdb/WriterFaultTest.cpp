// What the writer refuses to store, and how it says so.

#include <gtest/gtest.h>

#include <functional>

#include "DatabaseImage.h"

namespace mkmdb {
namespace {

Database withTable(Table table) {
    Database database;
    database.tables.push_back(std::move(table));
    return database;
}

TEST(WriterFaults, EachNamesTheCulprit) {
    const std::string tooLong(65, 'n');
    Table wide{"Wide", {}, {}};
    for (int i = 0; i < 9; ++i)
        wide.columns.push_back({std::string("Column ") += std::to_string(i), ColumnType::Text, 255});
    wide.rows.push_back(std::vector<Value>(9, std::string(255, 'w')));  // 9 x 510 bytes: more than a page

    const std::vector<std::pair<std::function<Database()>, std::string>> cases{
        {[] {
             return withTable(
                 {"T", {{"Name", ColumnType::Text, 5}}, {{std::string("12345")}, {std::string("123456")}}});
         },
         "table \"T\", row 2: column \"Name\": the text is longer than 5 characters"},
        {[] {
             return withTable({"T", {{"N", ColumnType::Long}}, {{std::string("7")}}});
         },
         "table \"T\", row 1: column \"N\": the value does not suit a Long column"},
        {[] {
             return withTable({"T", {{"F", ColumnType::YesNo}}, {{Null{}}}});
         },
         "table \"T\", row 1: column \"F\": the value does not suit a Yes/No column"},
        {[] {
             return withTable({"T", {{"A", ColumnType::Long}}, {{std::int32_t{1}, std::int32_t{2}}}});
         },
         "table \"T\", row 1: the row has 2 values for 1 columns"},
        {[=] { return withTable(wide); }, "table \"Wide\", row 1: a row takes"},
        {[] {
             return withTable({"T", {}, {}});
         },
         "table \"T\" has no columns"},
        {[] {
             return withTable({"T", {{"A", ColumnType::Long}, {"a", ColumnType::Text}}, {}});
         },
         "there are two columns in table \"T\" named \"a\""},
        {[] {
             return withTable({"msysobjects", {{"A", ColumnType::Long}}, {}});
         },
         "there are two tables named \"msysobjects\""},
        {[] {
             return withTable({"Bad\x01Name", {{"A", ColumnType::Long}}, {}});
         },
         "a table name holds a control character"},
        {[] {
             return withTable({"Bad\xC3(", {{"A", ColumnType::Long}}, {}});
         },
         "a table name is not valid UTF-8"},
        {[] {
             return withTable({"T", {{"Text", ColumnType::Text, 0}}, {}});
         },
         "column \"Text\" in table \"T\": a Text column holds 1 to 255 characters"},
        {[&] {
             return Database{{}, {tooLong}, "", {}, {}};
         },
         "a report name is longer than 64 characters"},
        {[] {
             return Database{{}, {""}, "", {}, {}};
         },
         "a report name is empty"},
        {[] {
             return Database{{}, {"Sales", "SALES"}, "", {}, {}};
         },
         "there are two reports named \"SALES\""},
        {[] {
             return Database{{}, {}, "twenty-one characters", {}, {}};
         },
         "the password is longer than 20 characters"},
        {[] {
             return Database{{}, {}, "tab\there", {}, {}};
         },
         "the password holds a control character"},
        {[] {
             return Database{{}, {}, "", Timestamp{-1}, {}};
         },
         "the creation date lies outside"},
    };
    for (const auto& [build, expected] : cases) {
        try {
            buildDatabaseImage(build());
            ADD_FAILURE() << "accepted; expected: " << expected;
        } catch (const Error& error) {
            EXPECT_EQ(std::string(error.what()).substr(0, expected.size()), expected);
        }
    }
}

// A query reads tables or other queries of the file and joins only what it reads, as Access saves
// only such a query; what does not fit its row is refused rather than cut.
TEST(WriterFaults, AQueryNamesWhatIsWrongWithIt) {
    const auto withQuery = [](const std::function<void(Query&)>& change) {
        Database database = withTable({"T", {{"A", ColumnType::Long}}, {}});
        Query query;
        query.name = "Q";
        query.sources = {{"T", "t"}};
        query.columns = {{"t.A", ""}};
        change(query);
        database.queries.push_back(std::move(query));
        return database;
    };
    const std::vector<std::pair<Database, std::string>> cases{
        {withQuery([](Query& q) { q.sources[0].name = "Nope"; }),
         "query \"Q\" reads \"Nope\", which is no table or query"},
        {withQuery([](Query& q) {
             q.sources.push_back({"q", ""});
         }),
         "query \"Q\" reads itself"},
        {withQuery([](Query& q) { q.sources.clear(); }), "query \"Q\" reads no table or query"},
        {withQuery([](Query& q) { q.columns.clear(); }), "query \"Q\" has no columns"},
        {withQuery([](Query& q) {
             q.sources.push_back({"T", "t"});
         }),
         "there are two sources in query \"Q\" named \"t\""},
        {withQuery([](Query& q) {
             q.joins.push_back({JoinKind::Inner, "t", "U", "t.A = U.A"});
         }),
         "query \"Q\" joins \"U\", which it does not read"},
        {withQuery([](Query& q) { q.name = "t"; }), "there are two tables named \"t\""},
        {withQuery([](Query& q) { q.top = 101, q.topPercent = true; }),
         "query \"Q\": TOP ... PERCENT takes a number from 1 to 100"},
        {withQuery([](Query& q) { q.where = std::string(3000, 'w'); }),
         "table \"MSysQueries\", row 7: column \"Expression\": the value is too long to keep in the row"},
    };
    for (const auto& [database, expected] : cases) {
        try {
            buildDatabaseImage(database);
            ADD_FAILURE() << "accepted; expected: " << expected;
        } catch (const Error& error) {
            EXPECT_EQ(std::string(error.what()).substr(0, expected.size()), expected);
        }
    }
}

}  // namespace
}  // namespace mkmdb
