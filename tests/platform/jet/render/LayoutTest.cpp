#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/jet/query/DayNumbers.h"
#include "platform/jet/render/PagePlan.h"
#include "platform/jet/render/ReportGrouping.h"

using namespace platform::jet;
using design::SectionKind;
using query::Value;

namespace {

design::Section section(SectionKind kind, int height, int level = 0, int forceNewPage = 0) {
    design::Section s;
    s.kind = kind;
    s.height = height;
    s.groupLevel = level;
    s.forceNewPage = forceNewPage;
    return s;
}

// Each page's bands as "kind@top rows first-last".
std::vector<std::vector<std::string>> describe(const std::vector<render::PlannedPage>& pages) {
    std::vector<std::vector<std::string>> result;
    for (const auto& page : pages) {
        result.emplace_back();
        for (const auto& band : page.bands)
            result.back().push_back(std::string(design::sectionKindName(band.section->kind)) + "@" +
                                    std::to_string(band.top) + " " + std::to_string(band.scope.first) + "-" +
                                    std::to_string(band.scope.last));
    }
    return result;
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
        describe(render::planPages(report, grouping, 500)),
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
    EXPECT_THAT(describe(render::planPages(report, grouping, 10000)),
                testing::ElementsAre(testing::ElementsAre("GroupHeader@0 0-0"),
                                     testing::ElementsAre("GroupHeader@0 1-1")));

    // A header kept with its first detail moves to the next page with it; one not kept stays behind.
    report.sections = {section(SectionKind::GroupHeader, 40), section(SectionKind::Detail, 100)};
    const render::Grouping twoGroups{{0, 1}, {{0, 1}}};
    EXPECT_THAT(describe(render::planPages(report, twoGroups, 250)),
                testing::ElementsAre(
                    testing::ElementsAre("GroupHeader@0 0-0", "Detail@40 0-0", "GroupHeader@140 1-1"),
                    testing::ElementsAre("Detail@0 1-1")));
    report.groups[0].keepTogether = 2;
    EXPECT_THAT(describe(render::planPages(report, twoGroups, 250)),
                testing::ElementsAre(testing::ElementsAre("GroupHeader@0 0-0", "Detail@40 0-0"),
                                     testing::ElementsAre("GroupHeader@0 1-1", "Detail@40 1-1")));
    // A band grown by its text takes its grown height on the page.
    const auto grownDetail = [](const design::Section& s, const render::RowScope&) {
        return s.kind == SectionKind::Detail ? 150 : s.height;
    };
    report.groups[0].keepTogether = 0;
    EXPECT_THAT(describe(render::planPages(report, twoGroups, 250, grownDetail)),
                testing::ElementsAre(
                    testing::ElementsAre("GroupHeader@0 0-0", "Detail@40 0-0", "GroupHeader@190 1-1"),
                    testing::ElementsAre("Detail@0 1-1")));
    EXPECT_EQ(render::planPages(report, twoGroups, 250, grownDetail)[0].bands[1].height, 150);
    EXPECT_EQ(render::planPages(design::ReportDesign{}, render::Grouping{}, 10000).size(), 1u)
        << "an empty report is one page";
}
