#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <map>
#include <stdexcept>

#include "platform/jet/render/Datasheet.h"
#include "platform/jet/render/DocumentInfo.h"
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
    design::ReportDesign formDesign(const std::string& form) override {
        if (auto found = forms.find(form); found != forms.end()) return found->second;
        throw std::runtime_error("no form " + form);
    }
    query::RowSet rows(const std::string& recordSource) override {
        if (auto found = tables.find(recordSource); found != tables.end()) return found->second;
        throw query::QueryError("no table " + recordSource);
    }

    std::map<std::string, design::ReportDesign> designs, forms;
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

TEST(Subreports, ShowFormsAsAccessPrintsThemInEachView) {
    int argc = 1;
    char name[] = "render_tests";
    char* argv[] = {name, nullptr};
    QGuiApplication application(argc, argv);
    FakeReports reports;
    design::Control amount;
    amount.kind = ControlKind::TextBox;
    amount.name = amount.controlSource = "Amount";
    amount.height = 100;
    design::ReportDesign form;
    form.formView = design::FormView::Continuous;
    form.recordSource = "Orders";
    form.sections = {section(SectionKind::ReportHeader, 300), section(SectionKind::PageHeader, 5000),
                     section(SectionKind::Detail, 100, {amount, amount}),
                     section(SectionKind::ReportFooter, 50)};
    reports.tables["Orders"] = {{"ID", "Amount"},
                                {{Value(std::int64_t{1}), Value(std::int64_t{5})},
                                 {Value(std::int64_t{1}), Value(std::int64_t{6})},
                                 {Value(std::int64_t{1}), Value(std::int64_t{7})}}};
    const auto inView = [&](design::FormView view) {
        design::ReportDesign shown = form;
        shown.formView = view;
        return shown;
    };
    reports.forms["Continuous"] = form;
    reports.forms["Main"] = form;
    reports.forms["Single"] = inView(design::FormView::Single);
    reports.forms["Split"] = inView(design::FormView::Split);
    reports.forms["Datasheet"] = inView(design::FormView::Datasheet);
    reports.forms["Chart"] = inView(design::FormView::PivotChart);
    reports.forms["Table"] = inView(design::FormView::PivotTable);
    reports.forms["Header on screen"] = form;
    reports.forms["Header on screen"].sections[0].displayWhen = design::DisplayWhen::ScreenOnly;
    design::Control chartOnScreen = subreport("", "", "", 100);
    chartOnScreen.sourceObject = "Form.Chart";
    chartOnScreen.displayWhen = design::DisplayWhen::ScreenOnly;
    reports.forms["Chart on screen"] = form;
    reports.forms["Chart on screen"].sections[2].controls.push_back(chartOnScreen);
    query::RowSet master{{"ID"}, {{Value(std::int64_t{1})}}};
    struct Case {
        std::string sourceObject;
        int height;
        std::string omission;
    };
    const Case cases[] = {
        {"Form.Continuous", 300 + 3 * 100 + 50, ""},
        {"Continuous", 300 + 3 * 100 + 50, ""},  // a bare name no report has
        {"Form.Main", 300 + 3 * 100 + 50, ""},   // a form named as the report showing it
        {"Form.Single", 300 + 100 + 50, ""},
        {"Form.Split", 300 + 100 + 50, ""},
        {"Form.Datasheet", 300 + 3 * 300, ""},  // titles, then a ruled row per record
        {"Form.Header on screen", 3 * 100 + 50, ""},
        {"Form.Chart on screen", 300 + 3 * 100 + 50, ""},  // not printed, so not noted
        {"Form.Chart", 200, "forms in PivotChart view"},
        {"Form.Table", 200, "forms in PivotTable view"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sourceObject);
        design::Control control = subreport("", "ID", "ID");
        control.sourceObject = c.sourceObject;
        const Shown shown = show(reports, "Main", control, master);
        EXPECT_EQ(shown.height, c.height);
        if (c.omission.empty())
            EXPECT_THAT(shown.omissions, testing::IsEmpty());
        else
            EXPECT_THAT(shown.omissions, testing::ElementsAre(c.omission));
    }
}

TEST(Datasheet, AFormsColumnsAreItsDetailsValuesInTabOrderTitledByTheirLabels) {
    const auto control = [](ControlKind kind, const std::string& name, const std::string& label = "",
                            int tabIndex = 0) {
        design::Control c;
        c.kind = kind;
        c.name = name;
        c.tabIndex = tabIndex;
        c.controlSource = name + " Field";
        if (!label.empty()) {
            design::Control attached;
            attached.kind = ControlKind::Label;
            attached.caption = label;
            c.children.push_back(attached);
        }
        return c;
    };
    design::ReportDesign form;
    form.recordSource = "Orders";
    form.sections = {
        section(SectionKind::ReportHeader, 300, {control(ControlKind::TextBox, "Title")}),
        section(SectionKind::Detail, 100,
                {control(ControlKind::TextBox, "Amount", "Amount:", 2),
                 control(ControlKind::CommandButton, "Close"), control(ControlKind::Label, "Note"),
                 control(ControlKind::ComboBox, "Customer", "", 0),
                 control(ControlKind::CheckBox, "Paid", "Paid", 1)})};
    const design::ReportDesign sheet = render::datasheetDesign(form);
    ASSERT_EQ(sheet.sections.size(), 2u);
    std::vector<std::string> titles, sources;
    for (const auto& title : sheet.sections[0].controls) titles.push_back(title.caption);
    for (const auto& cell : sheet.sections[1].controls)
        sources.push_back(std::string(design::controlKindName(cell.kind)) + " " + cell.controlSource);
    EXPECT_EQ(sheet.recordSource, "Orders");
    EXPECT_THAT(titles, testing::ElementsAre("Customer", "Paid", "Amount:")) << "in tab order";
    EXPECT_THAT(sources, testing::ElementsAre("ComboBox Customer Field", "CheckBox Paid Field",
                                              "TextBox Amount Field"));
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
        {form, "the subreport Orders, whose design cannot be read (no form Orders)"},
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

TEST(Subreports, WhoseOwnCodeWouldRunAreNamedAsNotRunningIt) {
    FakeReports reports;
    reports.tables["Table"].columns = {"ID"};
    query::RowSet master;
    master.columns = {"ID"};
    master.rows = {{Value(std::int64_t{1})}};
    struct Case {
        std::string event;
        std::string design::ReportDesign::*reportEvent;
        std::string design::Section::*sectionEvent;
    };
    const Case cases[] = {
        {"none", nullptr, nullptr},
        {"report Open", &design::ReportDesign::onOpen, nullptr},
        {"report NoData", &design::ReportDesign::onNoData, nullptr},
        {"report Page", &design::ReportDesign::onPage, nullptr},
        {"detail Format", nullptr, &design::Section::onFormat},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.event);
        design::ReportDesign child;
        child.recordSource = "Table";
        child.sections = {section(SectionKind::Detail, 100)};
        if (c.reportEvent) child.*c.reportEvent = "[Event Procedure]";
        if (c.sectionEvent) child.sections[0].*c.sectionEvent = "[Event Procedure]";
        reports.designs["Child"] = child;
        const Shown shown = show(reports, "Main", subreport("Child", "ID", "ID"), master);
        EXPECT_EQ(shown.omissions.count(render::kEventsNotRun), c.reportEvent || c.sectionEvent ? 1u : 0u);
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
