#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/jet/query/DayNumbers.h"

namespace query_tests {
namespace {

using namespace platform::jet::query;

std::string civilText(double days) {
    const CivilTime t = civilTime(days);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return text;
}

// Day numbers within half a second of midnight round to the next day, before 1899-12-30 as after it
// (the fraction counts forward from the day's start on either side).
TEST(CivilTime, RoundsToTheNearestSecondOnEitherSideOfDayZero) {
    const struct {
        double days;
        const char* expected;
    } cases[] = {
        {-1.25, "1899-12-29 06:00:00"},
        {-1.99999999, "1899-12-30 00:00:00"},
        {-0.99999999, "1899-12-31 00:00:00"},
        {-2.5 - 0.4 / 86400, "1899-12-28 12:00:00"},
        {1.99999999, "1900-01-01 00:00:00"},
        {-657270.53125, "0100-06-14 12:45:00"},
    };
    for (const auto& c : cases) EXPECT_EQ(civilText(c.days), c.expected) << c.days;
}

}  // namespace
}  // namespace query_tests
