#include <gtest/gtest.h>

#include "platform/jet/query/Parameters.h"
#include "platform/jet/query/Region.h"
#include "tests/platform/jet/query/EngineFixture.h"

namespace query_tests {
namespace {

TEST(ParameterNames, AreOneWhateverTheirBracketsCaseAndSeparators) {
    const std::vector<std::pair<const char*, const char*>> same = {
        {"[Forms]![Sales by Year Dialog]![BeginningDate]", "forms!Sales by Year Dialog!beginningdate"},
        {"Forms.[Dialog].Start", "[Forms]![Dialog]![Start]"},
        {"[Beginning Date]", "  beginning DATE "},
        {"[Enter Dept.]", "[enter dept.]"},
    };
    for (const auto& [a, b] : same) EXPECT_EQ(parameterKey(a), parameterKey(b)) << a << " / " << b;
    EXPECT_NE(parameterKey("[Enter Dept.]"), parameterKey("[Enter Dept]"));
    EXPECT_NE(parameterKey("Forms!A!B"), parameterKey("Forms!AB"));
    ParameterValues given;
    given.set("[Forms]![Sales Dialog]![Start]", "1/1/1997");
    EXPECT_TRUE(given.anyUnder("Forms![sales dialog]"));
    EXPECT_FALSE(given.anyUnder("[Forms]![Sales]")) << "a form whose name starts another's";
    EXPECT_FALSE(given.anyUnder("[Forms]![Sales Dialog]![Start]"));
}

struct Conversion {
    int type;
    const char* text;
    Value expected;
};

TEST(ParameterValues, AreConvertedToTheirDeclaredType) {
    const std::vector<Conversion> cases = {
        {8, "1997-01-31", day(1997, 1, 31)},
        {8, "#2/3/1997#", day(1997, 2, 3)},
        {8, "2/3/1997", day(1997, 2, 3)},  // the United States write the month first
        {8, "", Value()},                  // an empty answer is Null
        {4, "42", whole(42)},
        {4, " 2.5 ", whole(2)},  // rounded half to even
        {5, "12.34567", money(123457)},
        {7, "0.25", 0.25},
        {1, "Yes", true},
        {1, "0", false},
        {10, "007", text("007")},
        {0, "  Smith ", text("  Smith ")},  // undeclared: the text as typed
    };
    for (const Conversion& c : cases)
        EXPECT_EQ(parameterValue({"[P]", c.type}, c.text), c.expected) << c.type << " " << c.text;
}

TEST(ParameterValues, FollowTheRegionsDateOrderAndDecimalPoint) {
    Region german;
    german.shortDate = "dd.mm.yyyy";
    german.decimal = ",";
    useRegion(german);
    EXPECT_EQ(parameterValue({"[P]", 8}, "2.3.1997"), day(1997, 3, 2));
    EXPECT_EQ(parameterValue({"[P]", 8}, "#2/3/1997#"), day(1997, 2, 3)) << "between # as in SQL";
    EXPECT_EQ(parameterValue({"[P]", 7}, "1,5"), Value(1.5));
    useRegion(kUnitedStates);
}

TEST(ParameterValues, ThatAreNoneOfTheirTypeAreRefusedByName) {
    for (const auto& [type, text] : std::vector<std::pair<int, const char*>>{
             {8, "soon"}, {8, "2/30/1997"}, {4, "ten"}, {5, "1e400"}, {1, "maybe"}}) {
        try {
            parameterValue({"[Start]", type}, text);
            ADD_FAILURE() << "no error for " << text;
        } catch (const QueryError& error) {
            EXPECT_NE(std::string(error.what()).find("[Start]"), std::string::npos) << error.what();
        }
    }
}

TEST(ParametersClause, GivesItsDeclarationsAndLeavesTheSelect) {
    std::string_view sql =
        "PARAMETERS [Forms]![Dialog]![From] DateTime, [Name;s] Text ( 255 ), Count Long;\r\nSELECT 1";
    const auto declared = takeParametersClause(sql);
    ASSERT_EQ(declared.size(), 3u);
    EXPECT_EQ(declared[0].name, "[Forms]![Dialog]![From]");
    EXPECT_EQ(parameterTypeName(declared[0].type), "Date/Time");
    EXPECT_EQ(declared[1].name, "[Name;s]");
    EXPECT_EQ(parameterTypeName(declared[1].type), "Text");
    EXPECT_EQ(parameterTypeName(declared[2].type), "Long Integer");
    EXPECT_EQ(sql, "\r\nSELECT 1");

    std::string_view plain = "SELECT Parameters FROM T";
    EXPECT_TRUE(takeParametersClause(plain).empty());
    EXPECT_EQ(plain, "SELECT Parameters FROM T");
    for (std::string_view bad :
         {"PARAMETERS x Long SELECT 1", "PARAMETERS x Gizmo; SELECT 1", "PARAMETERS x; SELECT 1"})
        EXPECT_THROW(takeParametersClause(bad), QueryError) << bad;
}

TEST(ParameterColumns, AreAddedForPlainNamesGivenThatNoColumnHas) {
    ParameterValues values;
    values.set("[From]", "1997-01-31");
    values.set("ID", "7");
    values.set("Forms!Dialog!To", "x");
    const RowSet rows =
        withParameterColumns(RowSet{{"ID"}, {{whole(1)}, {whole(2)}}},
                             {{"[From]", 8}, {"id", 4}, {"Forms!Dialog!To", 0}, {"[Not Given]", 0}}, values);
    EXPECT_EQ(rows.columns, (std::vector<std::string>{"ID", "From"}));
    EXPECT_EQ(rowTexts(rows), (std::vector<std::string>{"1|1997-01-31 00:00:00", "2|1997-01-31 00:00:00"}));
}

TEST_F(EngineTest, ParametersGivenStandInTheQueryAndMissingOnesAreAllNamed) {
    const SelectQuery query = parseSelect(
        "SELECT ID FROM Items WHERE Sold Between [From] And Forms!Dialog![To] And Name Like [Which]");
    QueryEngine engine({}, tables_.loader());
    engine.declareParameters({{"[From]", 8}, {"[Unused]", 10}});
    try {
        engine.select(query, "the test query");
        ADD_FAILURE() << "no error without values";
    } catch (const QueryError& error) {
        EXPECT_NE(std::string(error.what()).find("([From], [Unused], Forms!Dialog![To], [Which])"),
                  std::string::npos)
            << error.what();
    }
    const auto asked = engine.parametersOf(query, "the test query");
    ASSERT_EQ(asked.size(), 4u);
    EXPECT_EQ(asked[0].type, 8);
    EXPECT_EQ(asked[2].type, 0);
    ParameterValues values;
    values.set("from", "1/1/1996");
    values.set("[Forms]![Dialog]![To]", "1997-06-30");  // undeclared: text, read as a date beside one
    values.set("unused", "");
    values.set("WHICH", "?a*");
    engine.setParameterValues(values);
    EXPECT_EQ(rowTexts(engine.select(query, "the test query")), (std::vector<std::string>{"2"}));
}

}  // namespace
}  // namespace query_tests
