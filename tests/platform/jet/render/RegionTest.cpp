#include <gtest/gtest.h>

#include "platform/jet/query/AccessFormat.h"
#include "platform/jet/query/DayNumbers.h"
#include "platform/jet/render/PageSetup.h"
#include "platform/jet/render/ReportRegion.h"

using namespace platform::jet;

namespace {

// Formats in the region for the test's length, then in English (United States) again.
class InRegion {
  public:
    explicit InRegion(const query::Region& region) { query::useRegion(region); }
    ~InRegion() { query::useRegion(query::kUnitedStates); }
};

const query::Value kJuly4Afternoon =
    query::Date{query::withTime(query::dayNumber(1996, 7, 4), query::timeOfDay(13, 5, 9))};
const query::Value kAmount = query::Currency{-12345678};  // -1,234.5678

struct RegionCase {
    std::uint16_t codePage;
    const query::Value& value;
    const char* format;
    const char* text;
};

TEST(ReportRegion, ValuesAreFormattedInTheRegionOfTheDatabasesCodePage) {
    const RegionCase cases[] = {
        {1252, kJuly4Afternoon, "Short Date", "7/4/1996"},
        {1252, kJuly4Afternoon, "General Date", "7/4/1996 1:05:09 PM"},
        {1252, kAmount, "Currency", "($1,234.57)"},
        {1250, kJuly4Afternoon, "Long Date", "4 lipca 1996"},  // Polish, with its own names of months
        {0, kAmount, "Standard", "-1,234.57"},
        {1251, kJuly4Afternoon, "Short Date", "04.07.1996"},
        {1251, kJuly4Afternoon, "Long Time", "13:05:09"},
        {1251, kAmount, "Standard", "-1\u00a0234,57"},
        {1251, kJuly4Afternoon, "mmmm yyyy",
         "\u0438\u044e\u043b\u044f 1996"},  // "июля": the month as a date names it
        {1253, kJuly4Afternoon, "dd/mm/yyyy", "04/07/1996"},
        {1254, kAmount, "General Number", "-1234,5678"},
        {932, kJuly4Afternoon, "Short Date", "1996/07/04"},
        {932, kJuly4Afternoon, "Long Date",
         "1996\u5e747\u67084\u65e5"},  // as Windows writes it: 1996年7月4日
        {932, kJuly4Afternoon, "Long Time", "13:05:09"},
    };
    for (const auto& c : cases) {
        InRegion region(render::reportRegion(c.codePage));
        EXPECT_EQ(query::formatValue(c.value, c.format), c.text)
            << "code page " << c.codePage << ", " << c.format;
    }
}

TEST(ReportRegion, ReportsWithoutAPaperOfTheirOwnPrintOnTheRegionsPaper) {
    EXPECT_EQ(render::reportRegion(1252).paperSize, 1);  // English (United States): Letter
    EXPECT_EQ(render::reportRegion(1251).paperSize, 9);  // Russian: A4
    InRegion russian(render::reportRegion(1251));
    EXPECT_EQ(render::pageLayoutOf({}).pageSize().id(), QPageSize::A4);
}

}  // namespace
