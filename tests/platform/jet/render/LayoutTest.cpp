#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>

#include "platform/jet/query/DayNumbers.h"
#include "platform/jet/render/ListRows.h"
#include "platform/jet/render/PagePlan.h"
#include "platform/jet/render/ReportDocument.h"
#include "platform/jet/render/ReportGrouping.h"
#include "platform/jet/render/ReportPainter.h"
#include "platform/jet/render/ReportRows.h"
#include "platform/jet/render/ReportSource.h"
#include "tests/platform/jet/render/DesignParts.h"

using namespace platform::jet;
using design::SectionKind;
using query::Value;
using render_tests::control;

namespace {

constexpr int kWide = 12000;  // twips: a page wide enough for any section

// A section as Access makes one: kept together.
design::Section section(SectionKind kind, int height, int level = 0, int forceNewPage = 0) {
    design::Section s;
    s.kind = kind;
    s.keepTogether = true;
    s.height = height;
    s.groupLevel = level;
    s.forceNewPage = forceNewPage;
    return s;
}

// Each page's bands, each as the text the function makes of it after its section's kind and "@".
template <typename Describe>
std::vector<std::vector<std::string>> eachBand(const std::vector<render::PlannedPage>& pages,
                                               Describe describe) {
    std::vector<std::vector<std::string>> result;
    for (const auto& page : pages) {
        result.emplace_back();
        for (const auto& band : page.bands)
            result.back().push_back(std::string(design::sectionKindName(band.section->kind)) + "@" +
                                    describe(band));
    }
    return result;
}

// Each page's bands as "kind@top rows first-last".
std::vector<std::vector<std::string>> describe(const std::vector<render::PlannedPage>& pages) {
    return eachBand(pages, [](const render::Band& band) {
        return std::to_string(band.top) + " " + std::to_string(band.scope.first) + "-" +
               std::to_string(band.scope.last);
    });
}

// Each page's bands as "kind@left,top height", with "+offset" for a part of a section.
std::vector<std::vector<std::string>> places(const std::vector<render::PlannedPage>& pages) {
    return eachBand(pages, [](const render::Band& band) {
        return std::to_string(band.left) + "," + std::to_string(band.top) + " " +
               std::to_string(band.height) + (band.offset > 0 ? "+" + std::to_string(band.offset) : "");
    });
}

}  // namespace

TEST(Grouping, RowsAreOrderedByTheirLevelsThenAsReadAndGroupsStartWhereAKeyChanges) {
    design::GroupLevel byRegion, byAmountDescending;
    byAmountDescending.descending = true;
    const std::vector<std::vector<Value>> keys = {
        {Value("West"), Value("east"), Value(), Value("East"), Value("West")},
        {Value(std::int64_t{5}), Value(std::int64_t{7}), Value(std::int64_t{1}), Value(std::int64_t{7}),
         Value(std::int64_t{9})},
    };
    const render::Grouping grouping = render::groupRows({byRegion, byAmountDescending}, keys);
    // Null first, text ignoring case, ties kept in the record source's order.
    EXPECT_THAT(grouping.order, testing::ElementsAre(2, 1, 3, 4, 0));
    EXPECT_THAT(grouping.starts[0], testing::ElementsAre(0, 1, 3));
    EXPECT_THAT(grouping.starts[1], testing::ElementsAre(0, 1, 3, 4))
        << "an outer change starts inner groups";
}

TEST(Grouping, LevelsNameAFieldBracketedOrNotOrAnExpressionWithOrWithoutItsEqualsSign) {
    query::RowSet rows;
    rows.columns = {"A", "B"};
    for (const auto& [a, b] : {std::pair{1, 5}, {2, 1}, {3, 2}, {4, 0}})
        rows.rows.push_back({Value(std::int64_t{a}), Value(std::int64_t{b})});
    struct Case {
        const char* expression;
        std::vector<std::size_t> order;
    };
    for (const Case& c : {Case{"b", {3, 1, 2, 0}}, Case{"[B]", {3, 1, 2, 0}}, Case{"=[A]*[B]", {3, 1, 0, 2}},
                          Case{"[A]*[B]", {3, 1, 0, 2}}}) {
        SCOPED_TRACE(c.expression);
        design::ReportDesign design;
        design.groups.resize(1);
        design.groups[0].expression = c.expression;
        render::ReportRows ordered(design, rows);
        EXPECT_EQ(ordered.grouping().order, c.order);
        // An unbound report's one row has no fields: it is its only group, whatever the level names.
        EXPECT_EQ(render::ReportRows(design, render::unboundRows()).grouping().order,
                  std::vector<std::size_t>{0});
    }
}

// Numbering an order's lines sorted by date: the sorting makes no group of its own to start again at.
TEST(Grouping, ARunningSumOverAGroupStartsAgainWhereAGroupWithAHeaderOrFooterStarts) {
    query::RowSet rows;
    rows.columns = {"Region", "Day"};
    for (const auto& [region, day] :
         {std::pair{"East", 2}, {"West", 3}, {"East", 1}, {"West", 5}, {"West", 4}})
        rows.rows.push_back({Value(region), Value(std::int64_t{day})});
    struct Case {
        const char* what;
        bool regionHeader, regionFooter;
        std::vector<std::int64_t> numbers;
    };
    for (const Case& c :
         {Case{"a header", true, false, {1, 2, 1, 2, 3}}, Case{"a footer", false, true, {1, 2, 1, 2, 3}},
          Case{"neither: the whole report", false, false, {1, 2, 3, 4, 5}}}) {
        SCOPED_TRACE(c.what);
        design::ReportDesign design;
        design.groups.resize(2);
        design.groups[0].expression = "Region";
        design.groups[0].header = c.regionHeader;
        design.groups[0].footer = c.regionFooter;
        design.groups[1].expression = "Day";
        render::ReportRows ordered(design, rows);
        std::vector<std::int64_t> numbers;
        for (std::size_t row = 0; row < rows.rows.size(); ++row) {
            const Value number = ordered.evaluator().runningSum("=1", {row, row, row}, -1, true, {});
            numbers.push_back(number.holds<std::int64_t>() ? number.get<std::int64_t>() : -1);
        }
        EXPECT_EQ(numbers, c.numbers);
    }
}

TEST(Grouping, LevelsGroupOnPartsOfTheirValues) {
    using design::GroupOn;
    const Value july4 = query::Date{query::dayNumber(1996, 7, 4) + 0.5};
    const Value july30 = query::Date{query::dayNumber(1996, 7, 30)};
    const Value august1 = query::Date{query::dayNumber(1996, 8, 1)};
    struct Case {
        GroupOn on;
        int interval;
        Value a, b;
        bool same;
    };
    const Case cases[] = {
        {GroupOn::Month, 1, july4, july30, true},
        {GroupOn::Month, 1, july30, august1, false},
        {GroupOn::Quarter, 1, july4, august1, true},
        {GroupOn::Year, 1, july4, query::Date{35000}, false},
        {GroupOn::Day, 1, july4, query::Date{query::dayNumber(1996, 7, 4)}, true},
        {GroupOn::Prefix, 2, Value("Alpha"), Value("ALso"), true},
        {GroupOn::Prefix, 2, Value("Alpha"), Value("Ab"), false},
        {GroupOn::Interval, 10, Value(std::int64_t{10}), Value(19.5), true},
        {GroupOn::Interval, 10, Value(std::int64_t{9}), Value(std::int64_t{10}), false},
        {GroupOn::EachValue, 1, Value("a"), Value("A"), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.on));
        design::GroupLevel level;
        level.groupOn = c.on;
        level.groupInterval = c.interval;
        EXPECT_EQ(render::compareValues(render::groupKey(c.a, level), render::groupKey(c.b, level)) == 0,
                  c.same);
    }
}

TEST(PagePlan, SectionsFollowTheGroupsAndABandThatDoesNotFitStartsANewPage) {
    design::ReportDesign report;
    report.groups.resize(1);
    report.sections = {section(SectionKind::ReportHeader, 100), section(SectionKind::PageHeader, 50),
                       section(SectionKind::GroupHeader, 40),   section(SectionKind::Detail, 100),
                       section(SectionKind::GroupFooter, 30),   section(SectionKind::PageFooter, 60),
                       section(SectionKind::ReportFooter, 20)};
    const render::Grouping grouping{{0, 1, 2}, {{0, 2}}};
    // 500 twips a page, 60 of them the page footer's.
    EXPECT_THAT(
        describe(render::planPages(report, grouping, {kWide, 500})),
        testing::ElementsAre(
            testing::ElementsAre("ReportHeader@0 0-2", "PageHeader@100 0-1", "GroupHeader@150 0-1",
                                 "Detail@190 0-0", "Detail@290 1-1", "GroupFooter@390 0-1",
                                 "PageFooter@440 0-1"),
            testing::ElementsAre("PageHeader@0 2-2", "GroupHeader@50 2-2", "Detail@90 2-2",
                                 "GroupFooter@190 2-2", "ReportFooter@220 0-2", "PageFooter@440 0-2")));
}

TEST(PagePlan, ForcedBreaksHiddenSectionsAndGroupsKeptTogether) {
    design::ReportDesign report;
    report.groups.resize(1);
    auto hidden = section(SectionKind::Detail, 100);
    hidden.visible = false;
    report.sections = {section(SectionKind::GroupHeader, 40, 0, 1), hidden};
    const render::Grouping grouping{{0, 1}, {{0, 1}}};
    EXPECT_THAT(describe(render::planPages(report, grouping, {kWide, 10000})),
                testing::ElementsAre(testing::ElementsAre("GroupHeader@0 0-0"),
                                     testing::ElementsAre("GroupHeader@0 1-1")));

    // A header kept with its first detail moves to the next page with it; one not kept stays behind.
    report.sections = {section(SectionKind::GroupHeader, 40), section(SectionKind::Detail, 100)};
    const render::Grouping twoGroups{{0, 1}, {{0, 1}}};
    EXPECT_THAT(describe(render::planPages(report, twoGroups, {kWide, 250})),
                testing::ElementsAre(
                    testing::ElementsAre("GroupHeader@0 0-0", "Detail@40 0-0", "GroupHeader@140 1-1"),
                    testing::ElementsAre("Detail@0 1-1")));
    report.groups[0].keepTogether = 2;
    EXPECT_THAT(describe(render::planPages(report, twoGroups, {kWide, 250})),
                testing::ElementsAre(testing::ElementsAre("GroupHeader@0 0-0", "Detail@40 0-0"),
                                     testing::ElementsAre("GroupHeader@0 1-1", "Detail@40 1-1")));
    // A band grown by its text takes its grown height on the page.
    const auto grownDetail = [](const design::Section& s, const render::RowScope&) {
        render::SectionExtent extent = render::designedExtent(s);
        if (s.kind == SectionKind::Detail) extent.height = 150;
        return extent;
    };
    report.groups[0].keepTogether = 0;
    EXPECT_THAT(describe(render::planPages(report, twoGroups, {kWide, 250}, grownDetail)),
                testing::ElementsAre(
                    testing::ElementsAre("GroupHeader@0 0-0", "Detail@40 0-0", "GroupHeader@190 1-1"),
                    testing::ElementsAre("Detail@0 1-1")));
    EXPECT_EQ(render::planPages(report, twoGroups, {kWide, 250}, grownDetail)[0].bands[1].height, 150);
    EXPECT_EQ(render::planPages(design::ReportDesign{}, render::Grouping{}, {kWide, 10000}).size(), 1u)
        << "an empty report is one page";
}

TEST(PagePlan, AGroupKeptWholeStartsTheNextPageUnlessItIsTallerThanAPage) {
    design::ReportDesign report;
    report.groups.resize(1);
    report.sections = {section(SectionKind::GroupHeader, 40), section(SectionKind::Detail, 100),
                       section(SectionKind::GroupFooter, 30)};
    // Two groups: rows 0-1 (270 twips in all) and row 2 (170).
    const render::Grouping grouping{{0, 1, 2}, {{0, 2}}};
    using Pages = std::vector<std::vector<std::string>>;
    struct Case {
        int keep;
        int pageHeight;
        Pages expected;
    };
    const Case cases[] = {
        // Kept with its first detail, the second group's header stays: its detail fits below it.
        {2,
         430,
         {{"GroupHeader@0 0-1", "Detail@40 0-0", "Detail@140 1-1", "GroupFooter@240 0-1",
           "GroupHeader@270 2-2", "Detail@310 2-2"},
          {"GroupFooter@0 2-2"}}},
        {1,
         430,
         {{"GroupHeader@0 0-1", "Detail@40 0-0", "Detail@140 1-1", "GroupFooter@240 0-1"},
          {"GroupHeader@0 2-2", "Detail@40 2-2", "GroupFooter@140 2-2"}}},
        // The first group is taller than a page: kept with its first detail only.
        {1,
         250,
         {{"GroupHeader@0 0-1", "Detail@40 0-0", "Detail@140 1-1"},
          {"GroupFooter@0 0-1", "GroupHeader@30 2-2", "Detail@70 2-2", "GroupFooter@170 2-2"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.keep) + " on pages of " + std::to_string(c.pageHeight));
        report.groups[0].keepTogether = c.keep;
        EXPECT_EQ(describe(render::planPages(report, grouping, {kWide, c.pageHeight})), c.expected);
    }
}

TEST(PagePlan, SectionsTallerThanAPageAndPageBreakControlsSplitOverPages) {
    using design::ControlKind;
    struct Case {
        const char* what;
        std::vector<design::Control> controls;
        std::vector<std::vector<std::string>> expected;
    };
    design::Control hiddenBreak = control(ControlKind::PageBreak, 150, 0);
    hiddenBreak.visible = false;
    // Pages of 400 twips: a page header of 50 and a page footer of 50 leave a part 300 (350 on the
    // first page, where the report header comes before the page header).
    const Case cases[] = {
        {"cut above a control that fits on a page",
         {control(ControlKind::Label, 0, 100), control(ControlKind::Label, 320, 100)},
         {{"ReportHeader@0,0 320", "PageFooter@0,350 50"},
          {"PageHeader@0,0 50", "ReportHeader@0,50 280+320", "Detail@0,330 20", "PageFooter@0,350 50"}}},
        {"cut through a control taller than a page",
         {control(ControlKind::TextBox, 100, 500)},
         {{"ReportHeader@0,0 350", "PageFooter@0,350 50"},
          {"PageHeader@0,0 50", "ReportHeader@0,50 250+350", "Detail@0,300 20", "PageFooter@0,350 50"}}},
        {"a page break starts a new page where it is",
         {control(ControlKind::Label, 0, 100), control(ControlKind::PageBreak, 150, 0),
          control(ControlKind::Label, 150, 100)},
         {{"ReportHeader@0,0 150", "PageFooter@0,350 50"},
          {"PageHeader@0,0 50", "ReportHeader@0,50 300+150", "PageFooter@0,350 50"},
          {"PageHeader@0,0 50", "ReportHeader@0,50 150+450", "Detail@0,200 20", "PageFooter@0,350 50"}}},
        {"nor does one just below where the page before ended, with nothing above it",
         {control(ControlKind::Label, 0, 340), control(ControlKind::PageBreak, 360, 0),
          control(ControlKind::Label, 360, 100)},
         {{"ReportHeader@0,0 350", "PageFooter@0,350 50"},
          {"PageHeader@0,0 50", "ReportHeader@0,50 240+360", "Detail@0,290 20", "PageFooter@0,350 50"}}},
        {"a hidden page break does not",
         {control(ControlKind::Label, 0, 100), hiddenBreak},
         {{"ReportHeader@0,0 350", "PageFooter@0,350 50"},
          {"PageHeader@0,0 50", "ReportHeader@0,50 250+350", "Detail@0,300 20", "PageFooter@0,350 50"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        design::ReportDesign report;
        report.sections = {section(SectionKind::ReportHeader, 600), section(SectionKind::PageHeader, 50),
                           section(SectionKind::Detail, 20), section(SectionKind::PageFooter, 50)};
        report.sections[0].controls = c.controls;
        EXPECT_EQ(places(render::planPages(report, render::Grouping{{0}, {}}, {kWide, 400})), c.expected);
    }
    // A page break at a section's foot starts the next section on a new page, one at its top the section.
    using Pages = std::vector<std::vector<std::string>>;
    const std::pair<int, Pages> breaks[] = {
        {100, {{"ReportHeader@0,0 50", "Detail@0,50 100"}, {"Detail@0,0 100"}}},
        {0, {{"ReportHeader@0,0 50"}, {"Detail@0,0 100"}, {"Detail@0,0 100"}}},
    };
    for (const auto& [at, expected] : breaks) {
        design::ReportDesign report;
        report.sections = {section(SectionKind::ReportHeader, 50), section(SectionKind::Detail, 100)};
        report.sections[1].controls = {control(ControlKind::PageBreak, at, 0)};
        EXPECT_EQ(places(render::planPages(report, render::Grouping{{0, 1}, {}}, {kWide, 1000})), expected);
    }
}

namespace {

// The pages in one line: "Kind@top" bands, with ",left" in columns; pages apart by " | ".
std::string outline(const std::vector<render::PlannedPage>& pages) {
    std::string text;
    for (const auto& page : pages) {
        text += text.empty() ? "" : " |";
        for (const auto& band : page.bands)
            text += std::string(" ") + design::sectionKindName(band.section->kind) + "@" +
                    std::to_string(band.top) + (band.left ? "," + std::to_string(band.left) : "");
    }
    return text;
}

}  // namespace

TEST(PagePlan, PageHeadersAndFootersAreLeftOffTheReportHeadersAndFootersPagesAsSet) {
    constexpr int kHeader = design::kNotWithReportHeader, kFooter = design::kNotWithReportFooter;
    struct Case {
        int headerNotWith, footerNotWith, reportHeaderHeight, reportFooterForce;
        const char* expected;
    };
    // Pages of 500 twips, 60 of them the page footer's; three details of 100.
    const Case cases[] = {
        {0, 0, 100, 0,
         " ReportHeader@0 PageHeader@100 Detail@150 Detail@250 PageFooter@440 |"
         " PageHeader@0 Detail@50 ReportFooter@150 PageFooter@440"},
        {kHeader, 0, 100, 0,
         " ReportHeader@0 Detail@100 Detail@200 Detail@300 PageFooter@440 | PageHeader@0 ReportFooter@50 "
         "PageFooter@440"},
        // Below a page header already placed the header's band goes and its space stays.
        {kFooter, kFooter, 100, 0,
         " ReportHeader@0 PageHeader@100 Detail@150 Detail@250 PageFooter@440 | Detail@50 ReportFooter@150"},
        {kFooter, 0, 100, 1,
         " ReportHeader@0 PageHeader@100 Detail@150 Detail@250 PageFooter@440 |"
         " PageHeader@0 Detail@50 PageFooter@440 | ReportFooter@0 PageFooter@440"},
        // A page left without its footer gives the body the footer's room.
        {kHeader | kFooter, kHeader | kFooter, 600, 0,
         " ReportHeader@0 | ReportHeader@0 Detail@100 Detail@200 Detail@300 ReportFooter@400"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        design::ReportDesign report;
        report.pageHeaderNotWith = c.headerNotWith;
        report.pageFooterNotWith = c.footerNotWith;
        report.sections = {section(SectionKind::ReportHeader, c.reportHeaderHeight),
                           section(SectionKind::PageHeader, 50), section(SectionKind::Detail, 100),
                           section(SectionKind::PageFooter, 60),
                           section(SectionKind::ReportFooter, 100, 0, c.reportFooterForce)};
        EXPECT_EQ(outline(render::planPages(report, render::Grouping{{0, 1, 2}, {}}, {kWide, 500})),
                  c.expected);
    }
}

TEST(PagePlan, ASectionKeptTogetherMovesToTheNextPageAndOneNotKeptPrintsWhatFits) {
    design::ReportDesign report;
    report.sections = {section(SectionKind::ReportHeader, 200), section(SectionKind::Detail, 200)};
    report.sections[1].controls = {control(design::ControlKind::Label, 0, 100),
                                   control(design::ControlKind::Label, 100, 100)};
    EXPECT_EQ(outline(render::planPages(report, render::Grouping{{0}, {}}, {kWide, 350})),
              " ReportHeader@0 | Detail@0");
    report.sections[1].keepTogether = false;  // cut above the label that does not fit
    EXPECT_EQ(outline(render::planPages(report, render::Grouping{{0}, {}}, {kWide, 350})),
              " ReportHeader@0 Detail@200 | Detail@0");
}

TEST(PagePlan, AGroupHeaderRepeatsAtTheTopOfEachPageOrColumnItsGroupContinuesOn) {
    struct Case {
        int columns;
        bool repeat;
        const char* expected;
    };
    // Rows 0-2 in one group, row 3 in the next; pages of 300 twips. The next group's header repeats
    // only on its own pages.
    const Case cases[] = {
        {1, true,
         " PageHeader@0 GroupHeader@50 Detail@90 Detail@190 | PageHeader@0 GroupHeader@50 Detail@90 "
         "GroupHeader@190 |"
         " PageHeader@0 GroupHeader@50 Detail@90"},
        {1, false,
         " PageHeader@0 GroupHeader@50 Detail@90 Detail@190 | PageHeader@0 Detail@50 GroupHeader@150 "
         "Detail@190"},
        {3, true,
         " PageHeader@0 GroupHeader@50 Detail@90 Detail@190 GroupHeader@50,120 Detail@90,120 "
         "GroupHeader@190,120"
         " GroupHeader@50,240 Detail@90,240"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        design::ReportDesign report;
        report.width = 100;
        report.page = {.columns = c.columns, .columnSpacing = 20, .acrossThenDown = false};
        report.groups.resize(1);
        report.sections = {section(SectionKind::PageHeader, 50), section(SectionKind::GroupHeader, 40),
                           section(SectionKind::Detail, 100)};
        report.sections[1].repeatSection = c.repeat;
        EXPECT_EQ(outline(render::planPages(report, render::Grouping{{0, 1, 2, 3}, {{0, 3}}}, {kWide, 300})),
                  c.expected);
    }
}

TEST(PagePlan, ASectionAsksForANewColumnOrRowBeforeOrAfterIt) {
    struct Case {
        bool acrossThenDown;
        int newRowOrCol;
        const char* expected;
    };
    // Two groups of two rows; the group header asks. Across then down a new row starts below the last.
    const Case cases[] = {
        {false, 1, " GroupHeader@0 Detail@40 Detail@140 GroupHeader@0,120 Detail@40,120 Detail@140,120"},
        {false, 2,
         " GroupHeader@0 Detail@0,120 Detail@100,120 GroupHeader@200,120 Detail@0,240 Detail@100,240"},
        {true, 1, " GroupHeader@0 Detail@40 Detail@40,120 GroupHeader@140 Detail@180 Detail@180,120"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        design::ReportDesign report;
        report.width = 100;
        report.page = {.columns = 3, .columnSpacing = 20, .acrossThenDown = c.acrossThenDown};
        report.groups.resize(1);
        report.sections = {section(SectionKind::GroupHeader, 40), section(SectionKind::Detail, 100)};
        report.sections[0].newRowOrCol = c.newRowOrCol;
        EXPECT_EQ(outline(render::planPages(report, render::Grouping{{0, 1, 2, 3}, {{0, 2}}}, {kWide, 1000})),
                  c.expected);
    }
}

TEST(PagePlan, DetailsFillColumnsAcrossThenDownOrDownThenAcross) {
    design::ReportDesign report;
    report.width = 100;
    report.page.columns = 3;
    report.page.columnSpacing = 20;
    report.page.rowSpacing = 10;
    report.groups.resize(1);
    report.sections = {section(SectionKind::PageHeader, 50), section(SectionKind::GroupHeader, 40),
                       section(SectionKind::Detail, 100), section(SectionKind::ReportFooter, 30)};
    // Six rows, two groups: rows 0-4 and 5.
    const render::Grouping grouping{{0, 1, 2, 3, 4, 5}, {{0, 5}}};
    using Pages = std::vector<std::vector<std::string>>;

    // Across then down: group headers across the page, details in rows of three (the page's 250
    // twips of width hold only two of them).
    EXPECT_EQ(places(render::planPages(report, grouping, {250, 320})),
              (Pages{{"PageHeader@0,0 50", "GroupHeader@0,50 40", "Detail@0,90 100", "Detail@120,90 100",
                      "Detail@0,200 100", "Detail@120,200 100"},
                     {"PageHeader@0,0 50", "Detail@0,50 100", "GroupHeader@0,150 40", "Detail@0,190 100",
                      "ReportFooter@0,290 30"}}));

    // Down then across: group headers in the columns too; the report footer below the deepest column.
    report.page.acrossThenDown = false;
    EXPECT_EQ(places(render::planPages(report, grouping, {kWide, 400})),
              (Pages{{"PageHeader@0,0 50", "GroupHeader@0,50 40", "Detail@0,100 100", "Detail@0,210 100",
                      "Detail@120,50 100", "Detail@120,160 100", "Detail@120,270 100",
                      "GroupHeader@240,50 40", "Detail@240,100 100", "ReportFooter@0,370 30"}}));

    // A column size of its own in place of the detail's width.
    report.page.sameAsDetail = false;
    report.page.itemWidth = 200;
    EXPECT_EQ(places(render::planPages(report, grouping, {kWide, 400}))[0][4], "Detail@220,50 100");
}

TEST(SectionLayout, EmptyTextThatCanShrinkGivesBackItsLinesAndGrownTextPushesDownWhatIsBelowIt) {
    int argc = 1;
    char name[] = "render_tests";
    char* argv[] = {name, nullptr};
    QGuiApplication application(argc, argv);  // fonts, to measure grown text
    QImage image(100, 100, QImage::Format_RGB32);
    QPainter painter(&image);

    query::RowSet rows;
    rows.columns = {"Name", "Region", "Country", "Notes"};
    rows.rows = {{Value("Alfreds"), Value(), Value("Germany"), Value()},
                 {Value("Bólido"), Value("Madrid"), Value("Spain"),
                  Value("A note long enough to need several lines in a narrow box, so that it grows")}};
    render::ReportEvaluator evaluator(rows, {});
    render::ReportPainter reportPainter(painter, 100.0 / 1440, QPointF(0, 0), 12000, evaluator);

    const auto field = [](const char* source, int top, int width) {
        design::Control box = control(design::ControlKind::TextBox, top, 250);
        box.controlSource = source;
        box.width = width;
        box.canShrink = box.canGrow = true;
        return box;
    };
    struct Case {
        const char* what;
        std::size_t row;
        bool sectionShrinks;
        bool labelBesideRegion;
        int countryTop;  // where the line below Region prints
        int height;
    };
    const Case cases[] = {
        {"an empty line gives its space back", 0, true, false, 250, 500},
        {"a line with text keeps its place", 1, true, false, 500, 750},
        {"nothing shrinks in a section that cannot", 0, false, false, 500, 750},
        {"a label beside the empty line keeps the space", 0, true, true, 500, 750},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        design::Section labels = section(SectionKind::Detail, 750);
        labels.canShrink = c.sectionShrinks;
        labels.controls = {field("Name", 0, 2000), field("Region", 250, 2000), field("Country", 500, 2000)};
        if (c.labelBesideRegion) {
            labels.controls.push_back(control(design::ControlKind::Label, 250, 250));
            labels.controls.back().left = 3000;
        }
        const auto layout = reportPainter.layOut(labels, {c.row, c.row, c.row});
        EXPECT_EQ(layout.controls[2].top, c.countryTop);
        EXPECT_EQ(layout.height, c.height);
        EXPECT_EQ(reportPainter.measure(labels, {c.row, c.row, c.row}).height, layout.height);
    }

    // Notes grows: Below (starting under its foot) moves down by its growth, Beside stays.
    design::Section detail = section(SectionKind::Detail, 600);
    detail.canGrow = true;
    design::Control below = field("Country", 300, 2000), beside = field("Name", 100, 2000);
    beside.left = 1000;
    detail.controls = {field("Notes", 0, 800), beside, below};
    const auto grown = reportPainter.layOut(detail, {1, 1, 1});
    const int growth = grown.controls[0].height - 250;
    EXPECT_GT(growth, 0);
    EXPECT_EQ(grown.controls[1].top, 100);
    EXPECT_EQ(grown.controls[2].top, 300 + growth);
    EXPECT_EQ(grown.height, 600 + growth);
    EXPECT_EQ(reportPainter.layOut(detail, {0, 0, 0}).height, 600) << "Null notes grow nothing";
}

TEST(PagePlan, AReportWiderThanThePaperPrintsOnSheetsSideBySide) {
    struct Case {
        const char* what;
        int width;
        int columns, itemWidth;
        int across;
    };
    const Case cases[] = {
        {"as wide as the paper", 9000, 1, 0, 1},
        {"a few twips over, as measured in points", 9005, 1, 0, 1},
        {"past the edge", 9010, 1, 0, 2},
        {"two and a half sheets", 22500, 1, 0, 3},
        {"columns: only those that fit count", 20000, 3, 4000, 1},
        {"columns wider than the paper alone", 20000, 1, 0, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        design::ReportDesign report;
        report.width = c.width;
        report.page.columns = c.columns;
        report.page.sameAsDetail = c.itemWidth == 0;
        report.page.itemWidth = c.itemWidth;
        report.sections = {section(SectionKind::Detail, 100)};
        EXPECT_EQ(render::pagesAcross(report, 9000), c.across);
    }
}

namespace {

// The text of each page of a drawn document, as pdftotext gives it back.
std::vector<std::string> pageTexts(const QByteArray& pdf) {
    QProcess extract;
    extract.start("pdftotext", {"-layout", "-enc", "UTF-8", "-", "-"});
    extract.write(pdf);
    extract.closeWriteChannel();
    extract.waitForFinished();
    std::vector<std::string> pages;
    std::string text = extract.readAllStandardOutput().toStdString();
    for (std::size_t at = 0, end; (end = text.find('\f', at)) != std::string::npos; at = end + 1)
        pages.push_back(text.substr(at, end - at));
    return pages;
}

// A report over one row on Letter paper with inch margins (9,360 twips to print on).
design::ReportDesign letterReport(int width, std::vector<design::Control> controls) {
    design::ReportDesign report;
    report.width = width;
    report.page.paperSize = 1;
    report.page.leftMargin = report.page.rightMargin = 1440;
    report.page.topMargin = report.page.bottomMargin = 1440;
    report.sections = {section(SectionKind::Detail, 400), section(SectionKind::PageFooter, 300)};
    report.sections[0].controls = std::move(controls);
    design::Control number = control(design::ControlKind::TextBox, 0, 300, "Number",
                                     "=\"Page \" & [Page] & \" of \" & [Pages]");
    number.width = 3000;
    report.sections[1].controls = {number};
    return report;
}

struct QtApplication {
    int argc = 1;
    char name[13] = "render_tests";
    char* argv[2] = {name, nullptr};
    QGuiApplication application{argc, argv};
};

}  // namespace

TEST(DrawnPages, WhatLiesPastTheRightMarginPrintsOnTheNextSheetAndEverySheetIsNumbered) {
    QtApplication qt;
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) GTEST_SKIP() << "no pdftotext";
    design::Control left = control(design::ControlKind::Label, 0, 300), right = left;
    left.caption = "Westmost";
    right.caption = "Eastmost";
    right.left = 9360 + 200;
    query::RowSet rows;
    rows.rows.emplace_back();
    const auto pages =
        pageTexts(render::drawReport(letterReport(9360 + 2000, {left, right}), rows, "Wide").pdf);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_THAT(pages[0], testing::AllOf(testing::HasSubstr("Westmost"), testing::HasSubstr("Page 1 of 2"),
                                         testing::Not(testing::HasSubstr("Eastmost"))));
    // The page footer's number lies wholly on the first sheet.
    EXPECT_THAT(pages[1], testing::AllOf(testing::HasSubstr("Eastmost"),
                                         testing::Not(testing::HasSubstr("Westmost")),
                                         testing::Not(testing::HasSubstr("Page"))));
}

TEST(DrawnPages, ANumberOrDateTooWideForItsBoxPrintsAsSignsFillingIt) {
    QtApplication qt;
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) GTEST_SKIP() << "no pdftotext";
    struct Case {
        const char* source;
        int width;
        const char* shown;
    };
    const Case cases[] = {
        {"=1234567890", 500, "#####"},
        {"=1234567890", 2000, "1234567890"},
        {"=DateSerial(2024,12,31)", 300, "###"},
        {"=\"a text too wide\"", 500, "a text"},  // text is cut, not replaced
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source);
        design::Control box = control(design::ControlKind::TextBox, 0, 300, "Box", c.source);
        box.width = c.width;
        box.font.name = "Arial";
        query::RowSet rows;
        rows.rows.emplace_back();
        const auto pages = pageTexts(render::drawReport(letterReport(9000, {box}), rows, "Signs").pdf);
        ASSERT_EQ(pages.size(), 1u);
        EXPECT_THAT(pages[0], testing::HasSubstr(c.shown));
        if (std::string(c.shown).find('#') != std::string::npos) {
            EXPECT_THAT(pages[0], testing::Not(testing::HasSubstr(std::string(c.shown) + "#####")));
        }
    }
}

TEST(ListRows, AComboBoxShowsTheFirstColumnShownOfTheRowItsValueSelects) {
    query::RowSet rows;
    rows.rows = {{Value(std::int64_t{1}), Value("Beverages"), Value("BEV")},
                 {Value(std::int64_t{2}), Value("Condiments"), Value("CON")},
                 {Value("x"), Value("Text key"), Value("TXT")}};
    struct Case {
        const char* what;
        const char* widths;
        int bound;
        Value value;
        Value shown;
    };
    const Case cases[] = {
        {"the key column hidden", "0;1440;1440", 1, Value(std::int64_t{2}), Value("Condiments")},
        {"every column shown: the first", "", 1, Value(std::int64_t{2}), Value(std::int64_t{2})},
        {"two hidden", "0;0", 1, Value(std::int64_t{1}), Value("BEV")},
        {"bound to the third column", "0;1440", 3, Value("con"), Value("Condiments")},
        {"a number matches whatever its kind", "0", 1, Value(1.0), Value("Beverages")},
        {"no row holds the value: the value", "0", 1, Value(std::int64_t{9}), Value(std::int64_t{9})},
        {"Null selects nothing", "0", 1, Value(), Value()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        design::Control combo = control(design::ControlKind::ComboBox, 0, 240);
        combo.columnCount = 3;
        combo.columnWidths = c.widths;
        combo.boundColumn = c.bound;
        EXPECT_EQ(render::comboText(combo, rows, c.value), c.shown);
    }
}

TEST(ListRows, AValueListIsSplitAtSemicolonsOutsideQuotesIntoRowsOfItsColumns) {
    const query::RowSet rows = render::valueListRows(R"("a";b; c ;"d;e";"say ""hi""")", 2);
    ASSERT_EQ(rows.rows.size(), 3u);
    EXPECT_EQ(rows.rows[0], (std::vector<Value>{Value("a"), Value("b")}));
    EXPECT_EQ(rows.rows[1], (std::vector<Value>{Value("c"), Value("d;e")}));
    EXPECT_EQ(rows.rows[2], (std::vector<Value>{Value("say \"hi\""), Value()}));
    EXPECT_TRUE(render::valueListRows("", 1).rows.empty());
}

TEST(DrawnPages, ComboBoxesPrintTheirRowsTextAndListBoxesTheRowsTheyHaveRoomFor) {
    QtApplication qt;
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) GTEST_SKIP() << "no pdftotext";
    struct Categories : render::ReportSource {
        design::ReportDesign design(const std::string&) override { throw std::runtime_error("none"); }
        query::RowSet rows(const std::string& source) override {
            if (source != "Categories") throw query::QueryError("no " + source);
            query::RowSet rows;
            rows.columns = {"ID", "Name"};
            for (const char* name : {"Beverages", "Condiments", "Confections", "Dairy"})
                rows.rows.push_back({Value(std::int64_t(rows.rows.size() + 1)), Value(name)});
            return rows;
        }
    } source;
    design::Control combo = control(design::ControlKind::ComboBox, 0, 300, "Category", "CategoryID");
    combo.rowSource = "Categories";
    combo.columnCount = 2;
    combo.columnWidths = "0;1440";
    design::Control list = combo;
    list.kind = design::ControlKind::ListBox;
    list.left = 3000;
    list.height = 700;  // room for three lines of 8-point text
    list.columnHeads = true;
    query::RowSet rows;
    rows.columns = {"CategoryID"};
    rows.rows = {{Value(std::int64_t{4})}};
    const auto pages =
        pageTexts(render::drawReport(letterReport(9000, {combo, list}), rows, "Lists", &source).pdf);
    ASSERT_EQ(pages.size(), 1u);
    // The combo box shows Dairy; the list its heads and two rows, not the third.
    EXPECT_THAT(pages[0], testing::AllOf(testing::HasSubstr("Dairy"), testing::HasSubstr("Name"),
                                         testing::HasSubstr("Beverages"), testing::HasSubstr("Condiments"),
                                         testing::Not(testing::HasSubstr("Confections"))));
}

TEST(DrawnPages, ALineSlantedTheOtherWayRunsFromBottomLeftToTopRight) {
    QtApplication qt;
    for (const bool slant : {false, true}) {
        SCOPED_TRACE(slant);
        QImage image(100, 100, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        query::RowSet rows;
        rows.rows.emplace_back();
        render::ReportEvaluator evaluator(rows, {});
        render::ReportPainter reportPainter(painter, 100.0 / 1440, QPointF(0, 0), 1440, evaluator);
        design::Section detail = section(SectionKind::Detail, 1440);
        detail.backColor = 0xFFFFFF;
        design::Control line = control(design::ControlKind::Line, 0, 1440);
        line.borderStyle = 1;
        line.borderWidth = 2;
        line.lineSlant = slant;
        detail.controls = {line};
        design::ReportDesign report;
        report.sections = {detail};
        const render::Grouping grouping{{0}, {}};
        reportPainter.drawPage(render::planPages(report, grouping, {1440, 1440}).at(0), {});
        painter.end();
        EXPECT_EQ(qGray(image.pixel(10, 90)) < 128, slant) << "bottom left";
        EXPECT_EQ(qGray(image.pixel(10, 10)) < 128, !slant) << "top left";
    }
}

TEST(ListRows, AValueListShowingColumnHeadsHoldsThemInItsFirstRow) {
    design::Control list = control(design::ControlKind::ListBox, 0, 1440);
    list.rowSourceType = "Value List";
    list.rowSource = "Code;Name;1;One;2;Two";
    list.columnCount = 2;
    render::ListRows lists(nullptr);
    EXPECT_EQ(lists.rowsOf(list).rows.size(), 3u);
    list.columnHeads = true;
    const query::RowSet& rows = lists.rowsOf(list);
    EXPECT_EQ(rows.columns, (std::vector<std::string>{"Code", "Name"}));
    ASSERT_EQ(rows.rows.size(), 2u);
    EXPECT_EQ(rows.rows[0][1], Value("One"));
}
