#include <gtest/gtest.h>

#include "tests/platform/jet/query/EngineFixture.h"

namespace query_tests {
namespace {

struct SqlCase {
    const char* sql;
    std::vector<std::string> rows;
};

class AccessSql : public EngineTest, public ::testing::WithParamInterface<SqlCase> {};

TEST_P(AccessSql, GivesTheRowsAccessWould) {
    const SqlCase& c = GetParam();
    EXPECT_EQ(rowTexts(run(c.sql)), c.rows) << c.sql;
}

INSTANTIATE_TEST_SUITE_P(
    Dialect, AccessSql,
    ::testing::Values(
        SqlCase{"SELECT [Name] FROM [Items] WHERE [ID] = 2", {"banana"}},
        SqlCase{"SELECT ID FROM Items WHERE Sold = #7/4/1996#", {"1"}},
        SqlCase{"SELECT ID FROM Items WHERE Sold = '7/4/1996' OR '1/15/97' = Sold ORDER BY ID", {"1", "2"}},
        SqlCase{"SELECT ID FROM Items WHERE Sold Between #1/1/1997# And #12/31/1997# ORDER BY ID",
                {"2", "4"}},
        SqlCase{"SELECT ID FROM Items WHERE Sold Not Between #1/1/1997# And #12/31/1997#", {"1"}},
        SqlCase{"SELECT Name & '-' & Category, Name + Category FROM Items WHERE ID = 4", {"[odd]*-|Null"}},
        SqlCase{"SELECT 'n' & ID & ':' & Price & ':' & Sold FROM Items WHERE ID = 1", {"n1:1.5:7/4/1996"}},
        SqlCase{"SELECT ID FROM Items WHERE Name Like 'APP?E' OR Name Like '*an*' ORDER BY ID", {"1", "2"}},
        SqlCase{"SELECT ID FROM Items WHERE Name Like '[!a-c]*'", {"4"}},
        SqlCase{"SELECT ID FROM Items WHERE Name Like '[[]odd]#' OR Name Like '*[*]'", {"4"}},
        // Many stars against a long text: quick, however the stars could be placed.
        SqlCase{"SELECT ID FROM Items WHERE Space(5000) & Name Like '* * * * * * * * * * * * * *x'", {}},
        SqlCase{"SELECT ID FROM Items WHERE Active = True ORDER BY ID", {"1", "3"}},
        SqlCase{"SELECT ID FROM Items WHERE Not Active And Ratio > 0", {"2"}},
        SqlCase{"SELECT IIf(Price > 1, 'dear', 'cheap') FROM Items ORDER BY ID",
                {"dear", "cheap", "dear", "cheap"}},
        SqlCase{"SELECT DISTINCT LCase(Category) AS c FROM Items WHERE Category Is Not Null ORDER BY 1",
                {"fruit", "stone"}},
        SqlCase{"SELECT DISTINCTROW ID FROM Items WHERE ID < 3 ORDER BY ID", {"1", "2"}},
        SqlCase{"SELECT TOP 2 ID FROM Items ORDER BY Ratio DESC", {"3", "2"}},
        SqlCase{"SELECT TOP 50 PERCENT ID FROM Items ORDER BY ID", {"1", "2"}},
        SqlCase{"SELECT ID FROM Items WHERE Price Is Null", {"4"}},
        SqlCase{"SELECT 7 Mod 3, 7 \\ 2, 2 ^ 10, -2 ^ 2, 7 / 2 FROM Items WHERE ID = 1", {"1|3|1024|-4|3.5"}},
        SqlCase{"SELECT ID FROM Items WHERE Category = 'FRUIT' ORDER BY ID", {"1", "2"}},
        SqlCase{"SELECT Name FROM Items WHERE ID < 4 ORDER BY Name", {"Apple", "banana", "Cherry"}},
        SqlCase{"SELECT Sum(Price), Count(*) FROM Items WHERE Category Is Not Null GROUP BY Category "
                "HAVING Count(*) > 0 ORDER BY Count(*) DESC",
                {"1.75|2", "10|1"}},
        SqlCase{
            "SELECT Left(Name, 2), Mid(Name, 2, 3), Mid(Name, 4), Right(Name, 3), UCase(Name), Len(Name), "
            "InStr(Name, 'AN'), InStr(3, Name, 'an'), Trim('  x  ') FROM Items WHERE ID = 2",
            {"ba|ana|ana|ana|BANANA|6|2|4|x"}},
        SqlCase{"SELECT Year(Sold), Month(Sold), Day(Sold), DatePart('q', Sold), DateSerial(1997, 14, 1), "
                "DateAdd('m', 1, #1/31/1997#), DateDiff('d', #1/1/1997#, Sold), DateDiff('m', #12/31/1996#, "
                "Sold) "
                "FROM Items WHERE ID = 2",
                {"1997|1|15|1|1998-02-01 00:00:00|1997-02-28 00:00:00|14|1"}},
        SqlCase{
            "SELECT DateAdd('m', 1, #1/31/1996#), DateAdd('yyyy', 1, #2/29/1996#), "
            "DateDiff('yyyy', #12/31/1996#, #1/1/1997#), DateDiff('ww', #1/4/1997#, #1/5/1997#), "
            "DateDiff('d', #1/2/1997#, #1/1/1997#), Weekday(#7/4/1996#), DatePart('y', #12/31/1996#), "
            "DateSerial(1997, 3, 0), CDate(-1.25) FROM Items WHERE ID = 1",
            {"1996-02-29 00:00:00|1997-02-28 00:00:00|1|1|-1|5|366|1997-02-28 00:00:00|1899-12-29 06:00:00"}},
        SqlCase{"SELECT CInt(2.5), CInt(3.5), Round(2.5), Round(0.125, 2), Int(-1.5), Fix(-1.5), CLng(-2.5), "
                "CCur(1.23456), CDbl('2.5'), CStr(Sold) FROM Items WHERE ID = 1",
                {"2|4|2|0.12|-2|-1|-2|1.2346|2.5|7/4/1996"}},
        SqlCase{"SELECT Nz(Price, 0), Nz(Category, 'none'), Nz(Ratio) FROM Items WHERE ID = 4",
                {"0|none|-1.5"}},
        SqlCase{
            "SELECT Format(Price, 'Currency'), Format(Sold, 'yyyy-mm-dd'), Format$(Sold, 'mmmm yyyy', 0, 0) "
            "FROM Items WHERE ID = 1",
            {"$1.50|1996-07-04|July 1996"}},
        SqlCase{
            "SELECT Items.ID, c.Label FROM Items LEFT JOIN Categories AS c ON Items.Category = c.Category "
            "ORDER BY Items.ID",
            {"1|Fruits", "2|Fruits", "3|Stone fruits", "4|Null"}},
        SqlCase{
            "SELECT c.Label, Items.ID FROM Items RIGHT JOIN Categories c ON Items.ID = 99 ORDER BY c.Label",
            {"Fruits|Null", "Stone fruits|Null"}},
        SqlCase{
            "SELECT Items.ID FROM Categories INNER JOIN (Items INNER JOIN Items AS i2 ON i2.ID = Items.ID) "
            "ON Items.Category = Categories.Category ORDER BY Items.ID",
            {"1", "2", "3"}},
        SqlCase{"SELECT Price * 2, Price + 1, Price / 2, Price * Price FROM Items WHERE ID = 1",
                {"3|2.5|0.75|2.25"}},
        SqlCase{"SELECT Price * 2 AS Twice, Twice + 1 FROM Items WHERE ID = 3", {"20|21"}},
        SqlCase{"SELECT Name FROM Items WHERE ID = 1 UNION SELECT Label FROM Categories ORDER BY Name",
                {"Apple", "Fruits", "Stone fruits"}},
        SqlCase{"SELECT ID FROM Items WHERE ID In (1, 3) ORDER BY ID;", {"1", "3"}},
        SqlCase{"SELECT IIf(Price > 1, 'dear') FROM Items ORDER BY ID", {"dear", "Null", "dear", "Null"}},
        SqlCase{
            "SELECT TempVars!Year, [TempVars]![Quarter] & 'x', TempVars('Year'), TempVars.Item('Year') FROM "
            "Items WHERE ID = 1",
            {"Null|x|Null|Null"}},
        SqlCase{"SELECT [Items.Name] FROM Items WHERE [Items.ID] = 2", {"banana"}},
        SqlCase{"SELECT Twice + 1 AS More, Price * 2 AS Twice FROM Items WHERE ID = 3", {"21|20"}},
        SqlCase{
            "SELECT Name AS Label FROM Items WHERE ID < 3 UNION SELECT Label FROM Categories ORDER BY Name",
            {"Apple", "banana", "Fruits", "Stone fruits"}},
        SqlCase{
            "SELECT Replace('Q|1 |2', '|1', ID), Replace(Name, 'AN', '-'), Replace(Name, 'an', '-', 3, 1), "
            "Replace(Name, 'A', '', 1, -1, 0) FROM Items WHERE ID = 2",
            {"Q2 |2|b--a|n-a|banana"}},
        SqlCase{"SELECT Switch(Price > 5, 'dear', Price > 1, 'fair'), Choose(ID, 'one', 'two') FROM Items "
                "ORDER BY ID",
                {"fair|one", "Null|two", "dear|Null", "Null|Null"}},
        SqlCase{"SELECT StrConv('mary ann o''BRIEN', 3), String(3, '*'), String(2, 65), StrReverse('abc'), "
                "WeekdayName(1), WeekdayName(1, True, 2), IsNumeric(' 12 '), IsNumeric('1/1/2000'), "
                "IsDate('1/1/2000'), IsDate(Sold), IsDate(ID), TimeSerial(25, 0, 0) FROM Items WHERE ID = 1",
                {"Mary Ann O'brien|***|AA|cba|Sunday|Mon|True|False|True|True|False|1899-12-31 01:00:00"}},
        SqlCase{"SELECT Var(Ratio), VarP(Ratio), StDevP(ID) FROM Items WHERE ID < 3", {"2|1|0.5"}},
        SqlCase{"SELECT Str(ID), Str(-Ratio), Str('12'), CVar(Price), CDec(Ratio), CByte(2.5) FROM Items "
                "WHERE ID = 1",
                {" 1|-0.5| 12|1.5|0.5|2"}},
        SqlCase{"SELECT * FROM Categories WHERE Category = 'Stone' UNION ALL TABLE Categories",
                {"Stone|Stone fruits", "Fruit|Fruits", "Stone|Stone fruits"}},
        SqlCase{"SELECT FormatNumber(1234.56), FormatNumber(1234.56, 1), FormatPercent(0.1234), "
                "FormatPercent(0.25, 0, -2, -2, -2), FormatCurrency(Price), FormatDateTime(Sold, 2), "
                "FormatDateTime(Sold) FROM Items WHERE ID = 1",
                {"1,234.56|1,234.6|12.34%|25%|$1.50|7/4/1996|7/4/1996"}},
        SqlCase{"SELECT StDev(ID), Var(ID), VarP(ID) FROM Items WHERE ID = 1", {"Null|Null|0"}},
        // Sub-queries: a value, a list, whether there are rows, a table; correlated by the outer names.
        SqlCase{"SELECT ID FROM Items WHERE Price > (SELECT Avg(Price) FROM Items)", {"3"}},
        SqlCase{
            "SELECT Name FROM Items AS i WHERE Price = (SELECT Max(Price) FROM Items WHERE Items.Category = "
            "i.Category) ORDER BY Name",
            {"Apple", "Cherry"}},
        SqlCase{"SELECT ID FROM Items WHERE Category In (SELECT Category FROM Categories) ORDER BY ID",
                {"1", "2", "3"}},
        SqlCase{
            "SELECT Label FROM Categories AS c WHERE Not Exists (SELECT * FROM Items WHERE Items.Category = "
            "c.Category AND Price > 5)",
            {"Fruits"}},
        SqlCase{
            "SELECT t.Total FROM (SELECT Category, Sum(Price) AS Total FROM Items GROUP BY Category) AS t "
            "WHERE t.Category = 'stone'",
            {"10"}},
        // Headings from the rows (Null's is "<>"), sorted; the rows sorted by theirs (True before False).
        SqlCase{"TRANSFORM Sum(Price) AS Total SELECT Active, Count(*) AS N FROM Items GROUP BY Active "
                "PIVOT Year(Sold)",
                {"True|2|10|1.5|Null", "False|2|Null|Null|0.25"}},
        // A fixed list keeps its order; a cell without rows is Null, even a count's.
        SqlCase{"TRANSFORM Count(ID) SELECT Active FROM Items GROUP BY Active ORDER BY Active DESC "
                "PIVOT Year(Sold) IN (1997, 1996, 2001)",
                {"False|2|Null|Null", "True|Null|1|Null"}}));

// Money times any number is money, the other rounded to ten-thousandths first: Northwind's
// CCur(UnitPrice*Quantity*(1-Discount)/100)*100 comes to the cent half to even, a Single discount too.
TEST_F(EngineTest, MoneyArithmeticRoundsAsJetDoes) {
    tables_.tables["Lines"] = {{{"UnitPrice", ColumnType::Currency},
                                {"Quantity", ColumnType::Integer},
                                {"Discount", ColumnType::Double}},
                               {{money(10500), whole(1), static_cast<double>(0.3f)},
                                {money(10500), whole(2), static_cast<double>(0.35f)}}};
    const RowSet rows =
        run("SELECT CCur(UnitPrice*Quantity*(1-Discount)/100)*100, UnitPrice*Discount, UnitPrice+Discount "
            "FROM Lines");
    EXPECT_EQ(rows.rows, (std::vector<std::vector<Value>>{{money(7400), money(3150), money(13500)},
                                                          {money(13600), money(3675), money(14000)}}));
}

TEST_F(EngineTest, CrosstabColumnsAreNamedAfterTheirHeadings) {
    EXPECT_EQ(run("TRANSFORM Sum(Price) SELECT Active FROM Items GROUP BY Active PIVOT Year(Sold)").columns,
              (std::vector<std::string>{"Active", "<>", "1996", "1997"}));
    EXPECT_EQ(run("TRANSFORM Count(*) SELECT Category FROM Items GROUP BY Category PIVOT Active").columns,
              (std::vector<std::string>{"Category", "-1", "0"}));
    EXPECT_EQ(run("TRANSFORM Max(ID) SELECT Active FROM Items GROUP BY Active PIVOT Name IN ('Apple', \"x\")")
                  .columns,
              (std::vector<std::string>{"Active", "Apple", "x"}));
}

// A report's expressions read its Filter and FilterOn as [Report].[Filter]; a query elsewhere has no report.
TEST_F(EngineTest, ReportPropertiesAreReadWhereAReportIsEvaluated) {
    QueryEngine engine({}, tables_.loader());
    const char* sql =
        "SELECT IIf([Report].[Filter]<>'' And [Report].[FilterOn], 'Filtered: ' & [Report].[Filter]) "
        "FROM Items WHERE ID = 1";
    EXPECT_THROW(engine.select(parseSelect(sql), "the test query"), QueryError);
    engine.setReportProperties({{"Filter", std::string("City = 'Oslo'")}, {"FilterOn", true}});
    EXPECT_EQ(rowTexts(engine.select(parseSelect(sql), "the test query")),
              (std::vector<std::string>{"Filtered: City = 'Oslo'"}));
    engine.setReportProperties({{"Filter", std::string("City = 'Oslo'")}, {"FilterOn", false}});
    EXPECT_EQ(rowTexts(engine.select(parseSelect(sql), "the test query")),
              (std::vector<std::string>{"Null"}));
}

// Access's types survive the trip through SQLite: currency exact, dates as day numbers, Booleans.
TEST_F(EngineTest, ResultsKeepAccessTypes) {
    const RowSet rows =
        run("SELECT Price, Price * 2, Price / 2, Sold, Sold + 1, Active, Ratio, ID FROM Items WHERE ID = 1");
    ASSERT_EQ(rows.rows.size(), 1u);
    const auto& row = rows.rows[0];
    EXPECT_EQ(row[0], Value(Currency{15000}));
    EXPECT_EQ(row[1], Value(Currency{30000}));
    EXPECT_EQ(row[2], Value(0.75));
    EXPECT_EQ(row[3], day(1996, 7, 4));
    EXPECT_EQ(row[4], day(1996, 7, 5));
    EXPECT_EQ(row[5], Value(true));
    EXPECT_EQ(row[6], Value(0.5));
    EXPECT_EQ(row[7], Value(std::int64_t{1}));
}

TEST_F(EngineTest, CurrencySumsStayExact) {
    // Amounts a Double cannot sum exactly: 0.1 many times, and amounts near the type's precision.
    std::vector<std::vector<Value>> rows;
    for (int i = 0; i < 10'000; ++i) rows.push_back({money(1000), money(123'456'789'012'345)});
    tables_.tables["Ledger"] = {{{"Small", ColumnType::Currency}, {"Large", ColumnType::Currency}}, rows};
    const RowSet sums = run("SELECT Sum(Small), Sum(Large), Sum(Large) + 1, Avg(Small) FROM Ledger");
    ASSERT_EQ(sums.rows.size(), 1u);
    EXPECT_EQ(sums.rows[0][0], Value(Currency{10'000'000}));
    EXPECT_EQ(sums.rows[0][1], Value(Currency{1'234'567'890'123'450'000}));
    EXPECT_EQ(sums.rows[0][2], Value(Currency{1'234'567'890'123'460'000}));
    EXPECT_EQ(sums.rows[0][3], Value(Currency{1000}));
}

// Decimals come back exact where they are selected, sorted, compared, grouped and summed; arithmetic
// and functions take their doubles.
TEST_F(EngineTest, DecimalsStayExactUnlessComputedWith) {
    std::vector<std::vector<Value>> rows;
    // The last shares its nearest double with the third.
    for (const char* amount : {"99999999999999999999", "0.1", "1234567890123456789.12", "-0.5", "0.1",
                               "12345678901234567.89", "7", "1234567890123456789.13"})
        rows.push_back({*decimalOfText(amount)});
    tables_.tables["Stock"] = {{{"Amount", ColumnType::Decimal}}, rows};
    EXPECT_EQ(rowTexts(run("SELECT Amount FROM Stock WHERE Amount > -0.5 AND Amount <> 7 ORDER BY Amount")),
              (std::vector<std::string>{"0.1", "0.1", "12345678901234567.89", "1234567890123456789.12",
                                        "1234567890123456789.13", "99999999999999999999"}));
    EXPECT_EQ(rowTexts(run("SELECT Nz(Amount, 0), IIf(Amount > 7, Amount, 0) FROM Stock "
                           "WHERE Amount > 1000000000000000000 ORDER BY Amount")),
              (std::vector<std::string>{"1234567890123456789.12|1234567890123456789.12",
                                        "1234567890123456789.13|1234567890123456789.13",
                                        "99999999999999999999|99999999999999999999"}));
    // A Decimal written back into an expression, as a report writes a control's value.
    EXPECT_EQ(
        rowTexts(run("SELECT Amount, CDec((-0.5)) FROM Stock WHERE Amount = CDec(1234567890123456789.13)")),
        (std::vector<std::string>{"1234567890123456789.13|-0.5"}));
    EXPECT_EQ(rowTexts(run("SELECT Count(*) FROM Stock GROUP BY Amount HAVING Amount = 0.1")),
              (std::vector<std::string>{"2"}));
    EXPECT_EQ(
        rowTexts(run("SELECT Sum(Amount), Min(Amount), Max(Amount), Amount * 2 FROM Stock WHERE Amount = 7")),
        (std::vector<std::string>{"7|7|7|14"}));
    EXPECT_EQ(
        rowTexts(run("SELECT Sum(Amount), Max(Amount), Sum(Amount) / 4 FROM Stock")),
        (std::vector<std::string>{"102481481459148148151.84|99999999999999999999|2.5620370364787e+19"}));
}

TEST_F(EngineTest, SavedQueriesNestAsViewsNamedAsAccessNamesTheirColumns) {
    tables_.queries["Dear"] =
        "SELECT ID, Price * 2 AS Twice, Items.Category, c.Category FROM Items "
        "INNER JOIN Categories AS c ON Items.Category = c.Category WHERE Price > 1";
    tables_.queries["Dearest"] = "SELECT Max(Twice) AS Most FROM Dear";
    const RowSet dear = run("SELECT * FROM Dear ORDER BY ID");
    EXPECT_EQ(dear.columns, (std::vector<std::string>{"ID", "Twice", "Items.Category", "c.Category"}));
    EXPECT_EQ(rowTexts(dear), (std::vector<std::string>{"1|3|Fruit|Fruit", "3|20|Stone|Stone"}));
    EXPECT_EQ(run("SELECT Most FROM Dearest").rows.at(0).at(0), Value(Currency{200000}));
}

struct ErrorCase {
    const char* sql;
    const char* message;  // a part of the error's text
};

class UnsupportedSql : public EngineTest, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(UnsupportedSql, GivesAClearError) {
    const ErrorCase& c = GetParam();
    try {
        run(c.sql);
        FAIL() << "no error for " << c.sql;
    } catch (const QueryError& error) {
        EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Dialect, UnsupportedSql,
    ::testing::Values(ErrorCase{"SELECT Foo(ID) FROM Items", "function Foo"},
                      ErrorCase{"SELECT ID FROM Items WHERE ID = [Which ID?]", "[Which ID?]"},
                      ErrorCase{"SELECT ID FROM Items WHERE ID = Forms!Dialog!ID", "Forms!Dialog!ID"},
                      ErrorCase{"SELECT 'open FROM Items", "unterminated string"},
                      ErrorCase{"PARAMETERS x Long; SELECT ID FROM Items", "parameter values"},
                      ErrorCase{"TRANSFORM Sum(Price) SELECT ID FROM Items GROUP BY ID", "ends too early"},
                      ErrorCase{"SELECT A + 1 AS B, B + 1 AS A FROM Items", "values (A)"},
                      ErrorCase{"SELECT Replace('Q|1', '|1', TempVars!Quarter) FROM Items", "Null"},
                      ErrorCase{"SELECT FormatNumber(Price, 2, ID) FROM Items", "not taken into account"},
                      ErrorCase{"DELETE FROM Items", "Only select queries"},
                      ErrorCase{"SELECT ID FROM Nowhere", "'Nowhere'"},
                      ErrorCase{"SELECT ID FROM Items WHERE Sold = #32/1/1997#", "#32/1/1997#"},
                      ErrorCase{"SELECT ID FROM Items WHERE Sold < 'soon'", "'soon'"},
                      ErrorCase{"SELECT ID Xor 1 FROM Items", "Xor"},
                      ErrorCase{"SELECT Left(Name) FROM Items", "Left"},
                      ErrorCase{"SELECT Format(Sold, 'ww', 2) FROM Items", "first day of the week"},
                      ErrorCase{"SELECT ID FROM Items WHERE ID = (SELECT ID, Name FROM Items)",
                                "one column"}));

TEST_F(EngineTest, QueriesBasedOnThemselvesOrNestedTooDeeplyAreErrors) {
    const auto failure = [&](const std::string& sql) -> std::string {
        try {
            run(sql);
        } catch (const QueryError& error) {
            return error.what();
        }
        return "no error";
    };
    tables_.queries["Loop"] = "SELECT * FROM Loop";
    EXPECT_NE(failure("SELECT * FROM Loop").find("'Loop' is based on itself"), std::string::npos);
    for (int i = 1; i <= 60; ++i)
        tables_.queries["Q" + std::to_string(i)] = "SELECT * FROM Q" + std::to_string(i + 1);
    tables_.queries["Q61"] = "SELECT ID FROM Items";
    EXPECT_NE(failure("SELECT * FROM Q1").find("nested in too many"), std::string::npos);
    EXPECT_EQ(run("SELECT * FROM Q20").rows.size(), 4u);
}

// Hostile queries stop within the limits, with a message saying which one.
TEST_F(EngineTest, HostileQueriesStopWithinTheLimits) {
    std::vector<std::vector<Value>> many;
    for (int i = 0; i < 2000; ++i) many.push_back({whole(i)});
    tables_.tables["Big"] = {{{"N", ColumnType::Integer}}, many};
    const auto failure = [&](const std::string& sql, const QueryLimits& limits) -> std::string {
        try {
            run(sql, limits);
        } catch (const QueryError& error) {
            return error.what();
        }
        return "no error";
    };
    QueryLimits steps;
    steps.maxSteps = 10'000'000;
    EXPECT_NE(failure("SELECT Count(*) FROM Big AS a, Big AS b, Big AS c", steps).find("stopped"),
              std::string::npos);

    QueryLimits rows;
    rows.maxResultRows = 3;
    EXPECT_NE(failure("SELECT a.ID FROM Items AS a, Items AS b", rows).find("more than 3 rows"),
              std::string::npos);

    QueryLimits tableRows;
    tableRows.maxRowsPerTable = 100;
    EXPECT_NE(failure("SELECT N FROM Big", tableRows).find("more than 100 rows"), std::string::npos);

    QueryLimits memory;
    memory.maxBytes = 16u * 1024 * 1024;
    const std::string memoryFailure = failure("SELECT Space(60000) & N AS s FROM Big ORDER BY 1", memory);
    EXPECT_NE(memoryFailure.find("more memory"), std::string::npos) << memoryFailure;

    const std::string deep =
        "SELECT " + std::string(5000, '(') + "1" + std::string(5000, ')') + " FROM Items";
    EXPECT_NE(failure(deep, {}).find("nested too deeply"), std::string::npos);
}

}  // namespace
}  // namespace query_tests
