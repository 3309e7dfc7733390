#include <gtest/gtest.h>

#include <vector>

#include "base/UniqueHandle.h"

namespace {

std::vector<int> closed;
void closeNumber(int handle) {
    closed.push_back(handle);
}
using Owner = base::Unique<int, closeNumber, -1>;

TEST(UniqueHandle, ClosesWhatItHoldsExactlyOnceAndNeverItsNone) {
    closed.clear();
    {
        Owner none;
        Owner zero{0};  // a valid descriptor: only -1 is none
        EXPECT_FALSE(none);
        EXPECT_TRUE(zero);
        Owner moved{std::move(zero)};
        EXPECT_FALSE(zero);
        Owner replaced{3};
        replaced = std::move(moved);  // 3 goes now, 0 once, at the end
        *replaced.put() = 4;          // 0 goes before the address is handed out
        Owner given{5};
        EXPECT_EQ(given.release(), 5);
        given.reset(6);
    }
    EXPECT_EQ(closed, (std::vector<int>{3, 0, 6, 4}));
}

}  // namespace
