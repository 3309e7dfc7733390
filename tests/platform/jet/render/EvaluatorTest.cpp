#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/jet/query/Parameters.h"
#include "platform/jet/query/SelectQuery.h"
#include "platform/jet/render/ControlText.h"
#include "platform/jet/render/DocumentInfo.h"
#include "platform/jet/render/DomainAggregates.h"
#include "platform/jet/render/ReportEvaluator.h"
#include "platform/jet/render/ReportRows.h"
#include "platform/jet/vba/ModuleFunctions.h"
#include "platform/jet/vba/Parser.h"
#include "platform/jet/vba/Values.h"
#include "tests/platform/jet/render/DesignParts.h"

using namespace platform::jet;
using query::Currency;
using query::Value;

TEST(ReportEvaluator, ControlSourcesAreFieldsAndExpressionsOverTheirScope) {
    query::RowSet rows;
    rows.columns = {"Owner", "Cost", "Units"};
    rows.rows = {{Value("Sales"), Value(Currency{12'500}), Value(std::int64_t{2})},
                 {Value("Sales"), Value(Currency{7'500}), Value()},
                 {Value("Admin"), Value(Currency{100'000}), Value(std::int64_t{3})}};
    render::ReportEvaluator evaluator(rows, {{"Total Cost", "=Sum([Cost])"}, {"Loop", "=[Loop]+1"}});
    struct Case {
        std::string source;
        render::RowScope scope;
        Value expected;
    };
    const Case cases[] = {
        {"owner", {1, 1, 1}, Value("Sales")},
        {"=[Owner] & \": \" & Nz([Units], 0)", {1, 1, 1}, Value("Sales: 0")},
        {"=IIf([Cost] > 1, \"big\", \"small\")", {2, 2, 2}, Value("big")},
        {"=Sum([Cost])", {0, 1, 0}, Value(Currency{20'000})},
        {"=Count(*)", {0, 2, 0}, Value(std::int64_t{3})},
        {"=[Total Cost] * 2", {2, 2, 2}, Value(Currency{200'000})},
        {"=\"Page \" & [Page] & \" of \" & [Pages]", {0, 0, 0}, Value("Page 2 of 5")},
        {"=[Owner]", {0, 1, 1}, Value("Sales")},
        {"", {0, 0, 0}, Value()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source);
        EXPECT_EQ(evaluator.value(c.source, c.scope, {2, 5}), c.expected);
    }
    EXPECT_THROW(evaluator.value("=[Loop]", {0, 0, 0}, {}), query::QueryError) << "a circle of controls";
    EXPECT_THROW(evaluator.value("=[Nothing]", {0, 0, 0}, {}), query::QueryError);
}

TEST(ReportEvaluator, RunningSumsAddUpOverTheRowsOrGroupsSoFar) {
    query::RowSet rows;
    rows.columns = {"Region", "City", "Cost", "Units"};
    const auto row = [](const char* region, const char* city, std::int64_t cost, Value units) {
        return std::vector<Value>{Value(region), Value(city), Value(Currency{cost}), std::move(units)};
    };
    rows.rows = {row("East", "Ayr", 10'000, Value(std::int64_t{1})), row("East", "Ayr", 20'000, Value()),
                 row("East", "Bray", 40'000, Value(std::int64_t{4})),
                 row("West", "Cork", 80'000, Value(true)),
                 row("West", "Dover", 160'000, Value(std::int64_t{16}))};
    // Level 0 by region starts at 0 and 3; level 1 by city at 0, 2, 3 and 4.
    render::ReportEvaluator evaluator(rows, {}, {{0, 3}, {0, 2, 3, 4}});
    constexpr int kRows = -1;
    struct Case {
        const char* what;
        std::string source;
        render::RowScope scope;
        int level;
        bool overGroup;
        Value expected;
    };
    const Case cases[] = {
        {"numbering all rows", "=1", {4, 4, 4}, kRows, false, Value(std::int64_t{5})},
        {"numbering the rows of the city", "=1", {1, 1, 1}, kRows, true, Value(std::int64_t{2})},
        {"starting again with a city", "=1", {2, 2, 2}, kRows, true, Value(std::int64_t{1})},
        {"money stays exact", "Cost", {2, 2, 2}, kRows, false, Value(Currency{70'000})},
        {"Null adds nothing, True -1", "Units", {3, 3, 3}, kRows, false, Value(std::int64_t{4})},
        {"city totals over all", "=Sum([Cost])", {3, 3, 3}, 1, false, Value(Currency{150'000})},
        {"city totals within the region", "=Sum([Cost])", {4, 4, 4}, 1, true, Value(Currency{240'000})},
        {"city counts within the region", "=Count(*)", {2, 2, 2}, 1, true, Value(std::int64_t{3})},
        {"region totals: no enclosing group", "=Sum([Cost])", {3, 4, 4}, 0, true, Value(Currency{310'000})},
        {"a header's rows", "=Count(*)", {3, 4, 3}, 0, false, Value(std::int64_t{5})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(evaluator.runningSum(c.source, c.scope, c.level, c.overGroup, {}), c.expected);
    }
    EXPECT_THROW(evaluator.runningSum("City", {0, 0, 0}, kRows, false, {}), query::QueryError);
    EXPECT_EQ(evaluator.runningSum("", {0, 0, 0}, kRows, false, {}), Value());
}

TEST(ReportEvaluator, AControlOfAnotherHeaderOrFooterGivesItsValueThere) {
    using design::SectionKind;
    query::RowSet rows;
    rows.columns = {"Region", "City", "Amount"};
    const auto row = [](const char* region, const char* city, std::int64_t amount) {
        return std::vector<Value>{Value(region), Value(city), Value(Currency{amount * 10'000})};
    };
    rows.rows = {row("East", "Ayr", 1), row("East", "Ayr", 1), row("East", "Bray", 2), row("West", "Cork", 4),
                 row("West", "Dover", 8)};
    // Level 0 by region starts at 0 and 3; level 1 by city at 0, 2, 3 and 4.
    render::ReportEvaluator evaluator(rows,
                                      {{"Grand", {"=Sum([Amount])", SectionKind::ReportFooter}},
                                       {"FirstCity", {"=[City]", SectionKind::ReportHeader}},
                                       {"RegionTotal", {"=Sum([Amount])", SectionKind::GroupFooter, 0}},
                                       {"RegionRows", {"=Count(*)", SectionKind::GroupHeader, 0}},
                                       {"CityTotal", {"=Sum([Amount])", SectionKind::GroupFooter, 1}}},
                                      {{0, 3}, {0, 2, 3, 4}});
    struct Case {
        const char* what;
        std::string source;
        render::RowScope scope;
        Value expected;
    };
    const Case cases[] = {
        {"a detail's share of the report", "=[Amount]/[Grand]", {2, 2, 2}, Value(0.125)},
        {"a detail's share of its region", "=[Amount]/[RegionTotal]", {2, 2, 2}, Value(0.5)},
        {"a region footer's share of the report", "=Sum([Amount])/[Grand]", {3, 4, 4}, Value(0.75)},
        {"a city footer reading its region's header", "=[RegionRows]", {0, 1, 1}, Value(std::int64_t{3})},
        {"a detail reading its city's footer", "=[CityTotal]", {1, 1, 1}, Value(Currency{20'000})},
        {"a report header reading the footer's total", "=[Grand]", {0, 4, 0}, Value(Currency{160'000})},
        {"a detail reading the report header", "=[FirstCity]", {4, 4, 4}, Value("Ayr")},
        {"the footer's own rows in the footer", "=[Grand] * 2", {0, 4, 4}, Value(Currency{320'000})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(evaluator.value(c.source, c.scope, {}), c.expected);
    }
    // Each row's share of its own region, added up over both regions: 1 + 1.
    const Value shares = evaluator.runningSum("=[Amount]/[RegionTotal]", {4, 4, 4}, -1, false, {});
    ASSERT_TRUE(shares.holds<double>());
    EXPECT_NEAR(shares.get<double>(), 2.0, 1e-12);
}

TEST(ReportEvaluator, AValueFromAnotherSectionKeepsItsKind) {
    query::RowSet rows;
    rows.columns = {"Value"};
    const Value kinds[] = {
        Value("say \"hi\""), Value(query::Date{-36522.75}), Value(-0.1), Value(std::int64_t{-7}),
        Value(true),         Value(Currency{-12'345'678}),  Value()};
    for (const auto& kind : kinds) {
        SCOPED_TRACE(query::displayText(kind));
        rows.rows = {{kind}, {kind}};
        render::ReportEvaluator evaluator(rows, {{"Last", {"=[Value]", design::SectionKind::ReportFooter}}});
        EXPECT_EQ(evaluator.value("=[Last]", {0, 0, 0}, {}), kind);
    }
}

TEST(ReportEvaluator, NamesAreColumnsThenControlsThenColumnsWrittenWithTheirTableElseUnknown) {
    query::RowSet rows;
    rows.columns = {"T.Code", "Amount", "T.Kind"};
    rows.rows = {{Value("A1"), Value(std::int64_t{5}), Value("k")}};
    render::ReportEvaluator evaluator(
        rows,
        {{"Doubled", "=[Nothing] * 2"}, {"Cost", "=Amount * 2"}, {"Amount", "=1"}, {"Kind", "=\"box\""}});
    struct Case {
        std::string source;
        Value expected;
        const char* shown = "";  // what a text box shows instead when it has no value
    };
    const Case cases[] = {
        {"Code", Value("A1")},  // "SELECT T.*, *" names T's columns "T.Code"
        {"=[Code] & \"!\"", Value("A1!")},
        {"=[Cost] + 1", Value(std::int64_t{11})},
        {"=Amount + [Amount]", Value(std::int64_t{10})},  // the column, not the control of its name
        {"=[Kind]", Value("box")},                        // the control, not T.Kind
        {"=[Nothing]", {}, "#Name?"},
        {"Nothing", {}, "#Name?"},
        {"=[Doubled] + 1", {}, "#Name?"},
        {"=NoSuchFunction([Amount])", {}, "#Error"},
        {"=[Amount] +", {}, "#Error"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source);
        try {
            EXPECT_EQ(evaluator.value(c.source, {0, 0, 0}, {}), c.expected);
            EXPECT_STREQ(c.shown, "");
        } catch (const query::QueryError& error) {
            EXPECT_STREQ(render::errorShown(error), c.shown);
        }
    }
}

// insideout-ch8's rptComboBox prints =cboType.Column(1) beside its combo box of address types.
TEST(ReportEvaluator, AComboBoxsColumnIsThatColumnOfTheRowItsValueSelects) {
    query::RowSet rows;
    rows.columns = {"AddressType"};
    rows.rows = {{Value("HQ")}, {Value("ZZ")}, {Value()}};
    design::Control combo;
    combo.kind = design::ControlKind::ComboBox;
    combo.controlSource = "AddressType";
    combo.rowSourceType = "Value List";
    combo.rowSource = "HO;Home;HQ;Head Office";
    combo.columnCount = 2;
    render::NamedControl box("AddressType");
    box.box = std::make_shared<const design::Control>(combo);
    render::ReportEvaluator evaluator(rows, {{"cboType", box}});
    render::ListRows lists(nullptr);
    struct Case {
        std::string source;
        std::size_t row;
        Value expected;
    };
    const Case cases[] = {
        {"=cboType.Column(1)", 0, Value("Head Office")},
        {"=[cboType].column(0) & \"/\" & cboType.Column(1)", 0, Value("HQ/Head Office")},
        {"=cboType.Column(1)", 1, Value()},  // no row holds its value
        {"=cboType.Column(1)", 2, Value()},  // Null selects no row
        {"=cboType.Column(7)", 0, Value()},  // past its columns
        {"=[cboType]", 1, Value("ZZ")},      // the box alone: its value
    };
    EXPECT_THROW(evaluator.value("=cboType.Column(1)", {0, 0, 0}, {}), query::QueryError)
        << "without its rows' reader";
    evaluator.setListRows(&lists);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source + " at " + std::to_string(c.row));
        EXPECT_EQ(evaluator.value(c.source, {0, 2, c.row}, {}), c.expected);
    }
}

TEST(ReportEvaluator, WithoutRowsAggregatesAreOverNoneAndAnythingElseOverOneRowOfNulls) {
    // A source without rows, and one that could not give even its fields' names, alike.
    query::RowSet noRows, nothing;
    noRows.columns = {"Amount"};
    struct Case {
        std::string source;
        Value expected;
    };
    const Case cases[] = {
        {"=\"Page \" & [Page] & \" of \" & [Pages]", Value("Page 1 of 1")},
        {"=Count(*)", Value(std::int64_t{0})},
        {"=Sum([Amount])", Value()},
        {"=[Amount]", Value()},
        {"Amount", Value()},
        {"=Year(Now()) > 2000", Value(true)},
    };
    for (const query::RowSet* rows : {&noRows, &nothing}) {
        render::ReportEvaluator evaluator(*rows, {});
        for (const auto& c : cases) {
            SCOPED_TRACE(c.source);
            EXPECT_EQ(evaluator.value(c.source, {0, 0, 0}, {1, 1}), c.expected);
        }
    }
}

TEST(ReportRows, AGroupingItCannotEvaluateGroupsNothingAndIsNamed) {
    query::RowSet rows;
    rows.columns = {"Region"};
    rows.rows = {{Value("West")}, {Value("East")}, {Value("West")}};
    design::ReportDesign design;
    for (const char* expression : {"=NoSuchFunction([Region])", "Nowhere", "Region"}) {
        design::GroupLevel level;
        level.expression = expression;
        level.header = true;
        design.groups.push_back(level);
    }
    render::ReportRows ordered(design, std::move(rows));
    const std::vector<std::vector<std::size_t>> starts{{0}, {0}, {0, 1}};
    EXPECT_EQ(ordered.grouping().starts, starts);
    EXPECT_EQ(ordered.evaluator().value("Region", {0, 0, 0}, {}), Value("East"));
    EXPECT_THAT(ordered.omissions(),
                testing::ElementsAre(testing::StartsWith("cannot evaluate: the grouping on =NoSuchFunction"),
                                     testing::StartsWith("cannot evaluate: the grouping on Nowhere")));
}

TEST(ReportRows, ExpressionsReadTheReportsPropertiesWhereNoFieldOrControlHasTheName) {
    design::ReportDesign design;
    design.recordSource = "Orders";
    design.sections.resize(1);
    design.sections[0].controls = {
        render_tests::control(design::ControlKind::TextBox, 0, 300, "CAPTION", "=1")};
    query::RowSet rows;
    rows.columns = {"RecordSource"};
    rows.rows = {{Value("a field")}};
    render::ReportRows ordered(design, std::move(rows), "Sales");
    EXPECT_EQ(
        ordered.evaluator().value("=[Name] & \" \" & [Caption] & \" \" & [RecordSource]", {0, 0, 0}, {}),
        Value("Sales 1 a field"));
}

TEST(ControlText, DecimalPlacesApplyToNamedNumberFormats) {
    struct Case {
        Value value;
        std::string format;
        int places;
        std::string expected;
    };
    const Case cases[] = {
        {Value(1234.5), "Fixed", 0, "1235"},
        {Value(1234.5), "Standard", 3, "1,234.500"},
        {Value(Currency{12'345}), "Currency", 1, "$1.2"},
        {Value(Currency{-12'345}), "Currency", 0, "($1)"},
        {Value(Currency{180'000}), "", 255, "$18.00"},  // a Currency field without a format of its own
        {Value(0.25), "Percent", 0, "25%"},
        {Value(1234.5), "Standard", 255, "1,234.50"},
        {Value(1234.5), "", 1, "1234.5"},
        {Value("text"), "Fixed", 2, "text"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format + " " + std::to_string(c.places));
        EXPECT_EQ(render::controlText(c.value, c.format, c.places), c.expected);
    }
}

TEST(DocumentInfo, AnApproximationSaysSoInAnAppendedUpdate) {
    const std::string pdf =
        "%PDF-1.4\n1 0 obj\n<< /Title (x) >>\nendobj\nxref\n0 2\ntrailer\n<< /Size 2 /Info 1 0 R /Root 7 0 R "
        ">>"
        "\nstartxref\n42\n%%EOF";
    const std::string updated = render::withDocumentInfo(pdf, "Q", {"charts", "subreports"});
    ASSERT_EQ(updated.substr(0, pdf.size()), pdf) << "the document itself is kept";
    const std::string update = updated.substr(pdf.size());
    EXPECT_THAT(update, testing::HasSubstr("2 0 obj"));
    EXPECT_THAT(update, testing::HasSubstr("/Size 3 /Root 7 0 R /Info 2 0 R /Prev 42"));
    EXPECT_THAT(update, testing::HasSubstr("/Keywords <FEFF"));
    EXPECT_EQ(render::approximationNote({"charts", "subreports"}),
              "An approximation of the Access report: charts, subreports are not drawn.");
    EXPECT_EQ(render::approximationNote({render::kEventsNotRun}),
              "An approximation of the Access report: its event macros and Visual Basic code do not run.");
    EXPECT_EQ(render::approximationNote({"charts", render::kEventsNotRun}),
              "An approximation of the Access report: charts are not drawn, and its event macros and Visual "
              "Basic code do not run.");
    const std::string withoutRows = render::withoutRows("The query 'Q' asks for parameter values ([When]).");
    EXPECT_EQ(withoutRows, "drawn without its rows: the query 'Q' asks for parameter values ([When])");
    EXPECT_EQ(render::approximationNote({withoutRows}),
              "An approximation of the Access report: " + withoutRows + ".");
    EXPECT_EQ(render::approximationNote({"charts", withoutRows, render::kEventsNotRun}),
              "An approximation of the Access report: " + withoutRows +
                  "; charts are not drawn, and its event macros and Visual Basic code do not run.");
    EXPECT_EQ(render::withoutRows("SQL text fails.", "Sub"),
              "drawn without its rows: in the subreport Sub, SQL text fails");
    std::set<std::string> notEvaluated{"charts"};
    for (char control = 'A'; control <= 'G'; ++control)
        notEvaluated.insert(render::kNotEvaluated + std::string(1, control) + " (why)");
    EXPECT_EQ(render::approximationNote(notEvaluated),
              "An approximation of the Access report: it cannot evaluate A (why), B (why), C (why), D (why), "
              "E (why) and 2 more; charts are not drawn.");
    EXPECT_TRUE(updated.ends_with("%%EOF\n"));
    EXPECT_EQ(render::withDocumentInfo("not a PDF", "Q", {"charts"}), "not a PDF");
}

TEST(ReportEvaluator, AFunctionOfTheCodeGivesEachRowItsValueAndFailsOnlyWhereItFails) {
    std::vector<vba::Module> modules;
    modules.push_back(vba::parseModule("modRpt", "Public Function Share(x) As Double\n Share = 10 / x\nEnd Function"));
    modules.push_back(vba::parseModule("Report_R", "Function Title() As String\n Title = \"Own\"\nEnd Function"));
    vba::Interpreter code(std::move(modules), vba::Services{});
    vba::ModuleFunctions functions(code, true);
    query::RowSet rows;
    rows.columns = {"Units"};
    rows.rows = {{Value(std::int64_t{2})}, {Value(std::int64_t{0})}, {Value(std::int64_t{5})}};
    render::ReportEvaluator evaluator(rows, {});
    evaluator.setCodeFunctions(&functions);
    EXPECT_EQ(evaluator.value("=Share([Units])", {0, 0, 0}, {}), Value(5.0));
    try {
        evaluator.value("=Share([Units])", {1, 1, 1}, {});
        ADD_FAILURE() << "a division by zero gave a value";
    } catch (const query::QueryError& error) {
        EXPECT_STREQ(render::errorShown(error), "#Error");
    }
    EXPECT_EQ(evaluator.value("=Share([Units])", {2, 2, 2}, {}), Value(2.0));
    EXPECT_EQ(evaluator.value("=Title() & [Units]", {2, 2, 2}, {}), Value("Own5")) << "the report's own function";
}

// Orders(ID, Qty, Region) as a database answers SQL text about it.
class OrdersSource : public render::ReportSource {
  public:
    std::vector<std::string> asked;
    design::ReportDesign design(const std::string&) override { return {}; }
    query::RowSet rows(const std::string& sql) override {
        asked.push_back(sql);
        query::QueryEngine engine({}, [](query::QueryEngine& into, const std::string& name) {
            if (name != "Orders") return;
            into.beginTable(name, {{"ID", query::ColumnType::Integer},
                                   {"Qty", query::ColumnType::Integer},
                                   {"Region", query::ColumnType::Text}});
            into.insertRow({std::int64_t{1}, std::int64_t{5}, std::string("East")});
            into.insertRow({std::int64_t{2}, Value(), std::string("East")});
            into.insertRow({std::int64_t{3}, std::int64_t{7}, std::string("West")});
            into.endTable();
        });
        return engine.select(query::parseSelect(sql), "the query");
    }
};

// The file Sales.mdb in /data/shop, as the print helper is told it.
class ShopFile : public OrdersSource {
  public:
    std::optional<std::string> databasePath() override { return "/data/shop/Sales.mdb"; }
};

TEST(DatabaseFile, ExpressionsAndCodeNameItAsCurrentProjectAndCurrentDbDo) {
    query::ParameterValues references;
    query::addDatabaseFileReferences(references, *ShopFile().databasePath());
    query::RowSet rows = render::unboundRows();
    render::ReportEvaluator evaluator(rows, {});
    evaluator.setReferenceValues(references);
    ShopFile source;
    render::DomainAggregates database(source);
    vba::Services services;
    services.database = &database;
    std::vector<vba::Module> modules;
    modules.push_back(vba::parseModule("modFile",
                                       "Public Function FileOf(what)\n Select Case what\n"
                                       " Case 1: FileOf = CurrentProject.FullName\n"
                                       " Case 2: FileOf = Application.CurrentProject.Name\n"
                                       " Case 3: FileOf = CurrentProject.Path\n"
                                       " Case 4: FileOf = CurrentDb.Name\n End Select\nEnd Function"));
    vba::Interpreter code(std::move(modules), services);
    const std::pair<const char*, const char*> cases[] = {
        {"=\"Path = \" & Application.CurrentProject.FullName", "Path = /data/shop/Sales.mdb"},
        {"=[CurrentProject].[Name]", "Sales.mdb"},
        {"=CurrentProject.Path", "/data/shop"},
        {"=FileOf(1)", "/data/shop/Sales.mdb"},
        {"=FileOf(2)", "Sales.mdb"},
        {"=FileOf(3)", "/data/shop"},
        {"=FileOf(4)", "/data/shop/Sales.mdb"},
    };
    vba::ModuleFunctions functions(code);
    evaluator.setCodeFunctions(&functions);
    for (const auto& [source, expected] : cases)
        EXPECT_EQ(evaluator.value(source, {0, 0, 0}, {}), Value(expected)) << source;
    EXPECT_FALSE(query::isDatabaseFileReference("Forms!Dialog!Name"));
}

TEST(DomainAggregates, AnswerAsAccessDoesWithCriteriaAndNullWhereNoneMatch) {
    OrdersSource source;
    render::DomainAggregates domain(source);
    struct Case {
        const char* function;
        const char* expression;
        const char* criteria;  // none: Null
        Value expected;
    };
    const Case cases[] = {
        {"DLookup", "[Qty]", "[ID] = 3", Value(std::int64_t{7})},
        {"DLookup", "Region", nullptr, Value("East")},
        {"DLookup", "[Qty]", "[ID] = 9", Value()},
        {"DCount", "*", "Region = 'East'", Value(std::int64_t{2})},
        {"DCount", "[Qty]", "Region = 'East'", Value(std::int64_t{1})},
        {"DCount", "*", "Region = 'North'", Value(std::int64_t{0})},
        {"DSum", "[Qty] * 2", "ID < 3", Value(std::int64_t{10})},
        {"DSum", "[Qty]", "Region = 'North'", Value()},
        {"DAvg", "[Qty]", nullptr, Value(6.0)},
        {"DMin", "[Qty]", "", Value(std::int64_t{5})},
        {"DMax", "[ID]", "Region = \"East\"", Value(std::int64_t{2})},
        {"DFirst", "[Region]", nullptr, Value("East")},
        {"DLast", "[Region]", nullptr, Value("West")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.function) + "(" + c.expression + ")");
        EXPECT_EQ(domain.aggregate(c.function, Value(c.expression), Value("Orders"),
                                   c.criteria ? Value(c.criteria) : Value()),
                  std::optional<Value>(c.expected));
    }
    const std::size_t asked = source.asked.size();
    domain.aggregate("DLookup", Value("[Qty]"), Value("[Orders]"), Value("[ID] = 3"));
    EXPECT_EQ(source.asked.size(), asked) << "the same question is asked of the database once";
    EXPECT_THROW(domain.aggregate("DSum", Value("[Qty]"), Value("Nowhere"), Value()), vba::RuntimeError);
    EXPECT_THROW(domain.aggregate("DSum", Value("[Qty]"), Value("Orders"), Value("ID = = 1")), vba::RuntimeError);
}
