#include <gtest/gtest.h>

#include "base/DayNumbers.h"

namespace {

// Weeks start on Sunday and the first holds January 1st, whatever its weekday.
TEST(DayNumbers, WeekOfYearCountsSundayWeeksFromJanuaryFirst) {
    struct Case {
        int year, month, day, week;
    };
    for (const Case c : {Case{2024, 1, 1, 1}, Case{2024, 1, 6, 1}, Case{2024, 1, 7, 2}, Case{2023, 1, 1, 1},
                         Case{2023, 12, 31, 53}, Case{1899, 12, 30, 52}})
        EXPECT_EQ(base::weekOfYear(base::civilTime(base::dayNumber(c.year, c.month, c.day))), c.week)
            << c.year << "-" << c.month << "-" << c.day;
}

}  // namespace
