#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <map>
#include <stdexcept>

#include "platform/jet/render/ReportEvaluator.h"
#include "platform/jet/render/SubreportLink.h"
#include "platform/jet/render/Subreports.h"

using namespace platform::jet;
using design::ControlKind;
using design::SectionKind;
using query::Value;

namespace {

// Reports and rows held in memory; anything else cannot be read.
class FakeReports : public render::ReportSource {
  public:
    design::ReportDesign design(const std::string& report) override {
        ++designReads;
        if (auto found = designs.find(report); found != designs.end()) return found->second;
        throw std::runtime_error("no report " + report);
    }
    query::RowSet rows(const std::string& recordSource) override {
        if (auto found = tables.find(recordSource); found != tables.end()) return found->second;
        throw query::QueryError("no table " + recordSource);
    }

    std::map<std::string, design::ReportDesign> designs;
    std::map<std::string, query::RowSet> tables;
    int designReads = 0;
};

design::Section section(SectionKind kind, int height, std::vector<design::Control> controls = {}) {
    design::Section s;
    s.kind = kind;
    s.height = height;
    s.canGrow = true;
    s.controls = std::move(controls);
    return s;
}

design::Control subreport(const std::string& report, const std::string& child, const std::string& master,
                          int height = 200) {
    design::Control control;
    control.kind = ControlKind::Subreport;
    control.sourceObject = "Report." + report;
    control.linkChildFields = child;
    control.linkMasterFields = master;
    control.width = 2000;
    control.height = height;
    control.canGrow = control.canShrink = true;
    return control;
}

// The height the control takes over the master's row, the height drawn in it, and what the drawing
// left out.
struct Shown {
    int height, drawn;
    std::set<std::string> omissions;
};

Shown show(render::ReportSource& reports, const std::string& mainReport, const design::Control& control,
           const query::RowSet& master, std::size_t row = 0) {
    QImage image(10, 10, QImage::Format_RGB32);
    QPainter painter(&image);
    render::ReportEvaluator evaluator(master, {{"Chosen", "=[Kind] & \"\""}});
    render::Subreports subreports(reports, mainReport);
    Shown shown{0, 0, {}};
    const render::RowScope scope{row, row, row};
    shown.height = subreports.height(control, {painter, 1.0, evaluator, scope, {}, shown.omissions});
    shown.drawn = subreports.draw(control, {painter, 1.0, evaluator, scope, {}, shown.omissions}, {});
    return shown;
}

}  // namespace

TEST(SubreportLink, ValuesMatchAsAccessLinksThem) {
    struct Case {
        Value child, master;
        bool match;
    };
    const Case cases[] = {
        {Value(std::int64_t{3}), Value(std::int64_t{3}), true},
        {Value(std::int64_t{3}), Value(3.0), true},
        {Value(std::int64_t{3}), Value(std::int64_t{4}), false},
        {Value("Beverages"), Value("BEVERAGES"), true},
        {Value("Beverages"), Value("Beverage"), false},
        {Value("12"), Value(std::int64_t{12}), true},
        {Value(std::int64_t{12}), Value(" 12 "), true},
        {Value("12a"), Value(std::int64_t{12}), false},
        {Value(), Value(), false},
        {Value(), Value(std::int64_t{0}), false},
        {Value(""), Value(), false},
        {Value(query::Binary{{1}}), Value(query::Binary{{1}}), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.child.data.index()) + " vs " +
                     testing::PrintToString(c.master.data.index()));
        EXPECT_EQ(render::linkedValuesMatch(c.child, c.master), c.match);
        EXPECT_EQ(render::linkedValuesMatch(c.master, c.child), c.match) << "either way round";
    }
}

TEST(SubreportLink, RowsAreThoseHoldingEveryMasterValue) {
    query::RowSet rows;
    rows.columns = {"Region", "Year", "Amount"};
    rows.rows = {{Value("West"), Value(std::int64_t{1996}), Value(std::int64_t{1})},
                 {Value("west"), Value(std::int64_t{1997}), Value(std::int64_t{2})},
                 {Value("WEST"), Value(std::int64_t{1997}), Value(std::int64_t{3})},
                 {Value(), Value(std::int64_t{1997}), Value(std::int64_t{4})}};
    const auto amounts = [&](const std::string& children, std::vector<Value> masters) {
        std::vector<std::int64_t> found;
        for (const auto& row : render::linkedRows(rows, render::linkFieldNames(children), masters).rows)
            found.push_back(row[2].get<std::int64_t>());
        return found;
    };
    EXPECT_THAT(amounts("Region;Year", {Value("West"), Value(std::int64_t{1997})}),
                testing::ElementsAre(2, 3));
    EXPECT_THAT(amounts(" [region] ; year ", {Value("west"), Value("1996")}), testing::ElementsAre(1));
    EXPECT_THAT(amounts("Region", {Value()}), testing::IsEmpty()) << "Null links to nothing";
    EXPECT_THAT(amounts("", {}), testing::ElementsAre(1, 2, 3, 4)) << "an unlinked subreport shows every row";
    EXPECT_THROW(amounts("Country", {Value("West")}), query::QueryError);
}

TEST(Subreports, TakeTheHeightOfTheirLinkedRowsWithoutPageSections) {
    int argc = 1;
    char name[] = "render_tests";
    char* argv[] = {name, nullptr};
    QGuiApplication application(argc, argv);  // drawing needs fonts
    FakeReports reports;
    design::ReportDesign products;
    products.recordSource = "Products";
    products.sections = {section(SectionKind::ReportHeader, 300), section(SectionKind::PageHeader, 5000),
                         section(SectionKind::Detail, 100), section(SectionKind::PageFooter, 5000),
                         section(SectionKind::ReportFooter, 50)};
    reports.designs["Products"] = products;
    reports.designs["Unbound"] = products;
    reports.designs["Unbound"].recordSource.clear();
    query::RowSet& rows = reports.tables["Products"];
    rows.columns = {"CategoryID", "Name"};
    rows.rows = {{Value(std::int64_t{1}), Value("Chai")},
                 {Value(std::int64_t{2}), Value("Aniseed Syrup")},
                 {Value(std::int64_t{1}), Value("Chang")},
                 {Value("1"), Value("Guaraná")}};
    query::RowSet master;
    master.columns = {"ID", "Kind"};
    master.rows = {
        {Value(std::int64_t{1}), Value("1")}, {Value(std::int64_t{9}), Value("9")}, {Value(), Value()}};

    reports.tables["Products Table"] = rows;
    design::Control table = subreport("", "CategoryID", "ID");
    table.sourceObject = "Table.Products Table";
    design::Control fixed = subreport("Products", "CategoryID", "ID", 700);
    fixed.canGrow = fixed.canShrink = false;
    struct Case {
        const char* what;
        design::Control control;
        std::size_t row;
        int height;
    };
    const Case cases[] = {
        {"three linked rows", subreport("Products", "CategoryID", "ID"), 0, 300 + 3 * 100 + 50},
        {"linked through a control", subreport("Products", "CategoryID", "Chosen"), 0, 300 + 3 * 100 + 50},
        {"no linked rows: it shrinks away", subreport("Products", "CategoryID", "ID"), 1, 0},
        {"a Null master value links nothing", subreport("Products", "CategoryID", "ID"), 2, 0},
        {"cannot grow: kept to its design", fixed, 0, 700},
        {"cannot shrink: kept to its design", fixed, 1, 700},
        {"unlinked: every row", subreport("Products", "", ""), 1, 300 + 4 * 100 + 50},
        {"unbound: its sections once", subreport("Unbound", "", ""), 0, 300 + 100 + 50},
        {"a table: its datasheet's titles and rows", table, 0, 300 + 3 * 300},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Shown shown = show(reports, "Catalog", c.control, master, c.row);
        EXPECT_EQ(shown.height, c.height);
        if (c.control.canShrink) {
            EXPECT_EQ(shown.drawn, c.height);
        }
        EXPECT_THAT(shown.omissions, testing::IsEmpty());
    }
    EXPECT_EQ(show(reports, "Catalog", fixed, master, 1).drawn, 0)
        << "without rows it prints nothing in its place";
}

TEST(Subreports, WhatCannotBeShownLeavesItsAreaEmptyAndIsNamed) {
    FakeReports reports;
    design::ReportDesign unreadable;
    unreadable.recordSource = "Missing Table";
    unreadable.sections = {section(SectionKind::Detail, 100)};
    reports.designs["No Rows"] = unreadable;
    reports.designs["Badly Linked"] = unreadable;
    reports.designs["Badly Linked"].recordSource = "Table";
    reports.tables["Table"].columns = {"ID"};
    query::RowSet master;
    master.columns = {"ID"};
    master.rows = {{Value(std::int64_t{1})}};
    struct Case {
        design::Control control;
        std::string omission;
    };
    design::Control form = subreport("", "ID", "ID");
    form.sourceObject = "Form.Orders";
    const Case cases[] = {
        {form, "subreports showing forms"},
        {subreport("Nowhere", "ID", "ID"),
         "the subreport Nowhere, whose design cannot be read (no report Nowhere)"},
        {subreport("No Rows", "ID", "ID"),
         "drawn without its rows: in the subreport No Rows, no table Missing Table"},
        {subreport("Badly Linked", "ID;Other", "ID"), "the subreport Badly Linked (it links 2 fields to 1)"},
        {subreport("Badly Linked", "Code", "ID"),
         "the subreport Badly Linked (The subreport's rows have no field "
         "'Code' to link.)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.omission);
        const Shown shown = show(reports, "Main", c.control, master);
        EXPECT_EQ(shown.height, c.control.height);
        EXPECT_THAT(shown.omissions, testing::ElementsAre(c.omission));
    }
}

TEST(Subreports, NestAtMostSevenDeepAndNeverShowAReportInsideItself) {
    // Level i shows level i + 1 in its detail; the last level only rows.
    const auto nested = [](int levels, const std::string& last) {
        FakeReports reports;
        reports.tables["Rows"] = {{"ID"}, {{Value(std::int64_t{1})}}};
        for (int level = 1; level <= levels; ++level) {
            design::ReportDesign design;
            design.recordSource = "Rows";
            const std::string inner = level == levels ? last : "Level " + std::to_string(level + 1);
            design.sections = {section(SectionKind::Detail, 100,
                                       inner.empty() ? std::vector<design::Control>{}
                                                     : std::vector{subreport(inner, "ID", "ID", 100)})};
            reports.designs["Level " + std::to_string(level)] = design;
        }
        return reports;
    };
    query::RowSet master{{"ID"}, {{Value(std::int64_t{1})}}};
    struct Case {
        const char* what;
        int levels;
        std::string last;
        bool tooDeep;
    };
    const Case cases[] = {
        {"seven levels", 7, "", false},
        {"eight levels", 8, "", true},
        {"a report showing itself", 1, "Level 1", true},
        {"a circle through another", 2, "LEVEL 1", true},
        {"a circle back to the main report", 2, "Main", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeReports reports = nested(c.levels, c.last);
        const Shown shown = show(reports, "Main", subreport("Level 1", "ID", "ID", 100), master);
        EXPECT_EQ(shown.omissions.count("subreports nested too deeply"), c.tooDeep ? 1u : 0u);
        EXPECT_LE(reports.designReads, c.levels) << "each report is read once";
    }
}
