#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "base/AsciiCase.h"

namespace {

TEST(AsciiCase, FoldsOnlyAsciiLetters) {
    EXPECT_EQ(base::lowerAscii("Qty_Ä@[`{Z"), "qty_Ä@[`{z");
    EXPECT_EQ(base::upperAscii("qty_ä@[`{z"), "QTY_ä@[`{Z");
    EXPECT_EQ(base::lowerAscii("\xC4\xD6"), "\xC4\xD6");  // Latin-1 bytes stay, whatever the locale
    EXPECT_TRUE(base::equalIgnoringCase("Sales By YEAR", "sales by year"));
    EXPECT_FALSE(base::equalIgnoringCase("Ä", "ä"));
    EXPECT_FALSE(base::equalIgnoringCase("Sales", "Sales "));
}

TEST(AsciiCase, OrdersByFoldedBytesTakenAsUnsigned) {
    // Folding to lower case puts "_" before the letters, and bytes beyond ASCII after them.
    std::vector<std::string> names{"Élan", "zoo", "a_b", "aBc", "Abc", "ab"};
    std::stable_sort(names.begin(), names.end(), base::precedesIgnoringCase);
    EXPECT_EQ(names, (std::vector<std::string>{"a_b", "ab", "aBc", "Abc", "zoo", "Élan"}));
}

}  // namespace
