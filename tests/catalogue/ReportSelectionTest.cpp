#include <gtest/gtest.h>

#include "app/ErrorReport.h"
#include "app/Text.h"
#include "app/Trap.h"
#include "catalogue/ReportSelection.h"
#include "tests/fakes/FakeUi.h"

namespace calvenor {
namespace {

using platform::ControlKind;

class ReportSelectionTest : public ::testing::Test {
  protected:
    // Items as "[x] name" (checked) or "name".
    void fill(const std::vector<std::string>& items) {
        for (const auto& item : items) {
            const bool checked = item.rfind("[x] ", 0) == 0;
            list.add(checked ? item.substr(4) : item);
            list.setChecked(list.count(), checked);
        }
    }
    std::vector<std::string> filter(NameFilter kind, std::optional<std::string> x) {
        ui.inputs.push_back(std::move(x));
        Trap trap{"in Ostrevan2021/08/31.Form2.PushButton6_Click ", errors};
        CheckReportsByName(trap, ui, list, kind);
        return list.shown();
    }

    fakes::FakeUi ui;
    ErrorReport errors{ui};
    fakes::FakeListView list{{"ListView1", ControlKind::ListView, "", {}, 0, {}, 0}};
};

TEST_F(ReportSelectionTest, FiltersOnlyAddMarksMatchingWithoutRegardToCase) {
    using enum NameFilter;
    struct Case {
        NameFilter kind;
        std::optional<std::string> x;  // nullopt: Cancel
        std::vector<std::string> before, after;
    };
    const std::vector<Case> cases{
        {Containing, "SAL", {"Sales", "sales_2020", "Costs"}, {"[x] Sales", "[x] sales_2020", "Costs"}},
        {NotContaining, "SAL", {"Sales", "sales_2020", "Costs"}, {"Sales", "sales_2020", "[x] Costs"}},
        {Containing, "zz", {"[x] Sales", "Costs"}, {"[x] Sales", "Costs"}},
        {NotContaining, "s", {"[x] Sales", "Costs", "Ab"}, {"[x] Sales", "Costs", "[x] Ab"}},
        // The empty X, typed or by Cancel: in every name but the empty one, which contains nothing.
        {Containing, "", {"A", "", "B"}, {"[x] A", "", "[x] B"}},
        {Containing, std::nullopt, {"A", ""}, {"[x] A", ""}},
        {NotContaining, std::nullopt, {"A", "[x] B", ""}, {"A", "[x] B", "[x] "}},
        // Across blanks, and Unicode letters in either case.
        {Containing, "s b", {"Sales By Year", "Sales"}, {"[x] Sales By Year", "Sales"}},
        {Containing, "Ä", {"Umsätze", "Umsatz"}, {"[x] Umsätze", "Umsatz"}},
        {Containing, "straße", {"STRASSE", "Straße 1"}, {"STRASSE", "[x] Straße 1"}},
        {Containing, "ΣΟ", {"σοφία", "sofia"}, {"[x] σοφία", "sofia"}},
        {NotContaining, "x", {}, {}},
    };
    for (const auto& c : cases) {
        list.clear();
        fill(c.before);
        EXPECT_EQ(filter(c.kind, c.x), c.after) << (c.x ? *c.x : "(cancel)");
        EXPECT_EQ(ui.inputPrompts.back(), "|Enter X:") << "asked even for an empty list";
    }
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ReportSelectionTest, CheckAllAndUncheckAllReachEveryItemOfAListOfAnyLength) {
    for (int i = 0; i < 40000; ++i) list.add("r" + std::to_string(i));
    Trap trap{"in Ostrevan2021/08/31.Form2.PushButton1_Click ", errors};
    MarkAllReports(trap, list, true);
    EXPECT_TRUE(list.checked(1) && list.checked(32767) && list.checked(32768) && list.checked(40000));
    MarkAllReports(trap, list, false);
    EXPECT_FALSE(list.checked(1) || list.checked(32768) || list.checked(40000));
    ui.inputs.push_back("R399");
    CheckReportsByName(trap, ui, list, NameFilter::Containing);
    EXPECT_TRUE(list.checked(400) && list.checked(39901) && list.checked(40000));
    EXPECT_FALSE(list.checked(39900));
}

TEST_F(ReportSelectionTest, AnItemThatCannotBeReadIsReportedAtItsStepAndTheWalkGoesOn) {
    fill({"Alpha", "Beta", "Gamma"});
    list.failingItem = "Beta";
    EXPECT_EQ(filter(NameFilter::Containing, "zz"), (std::vector<std::string>{"Alpha", "Beta", "Gamma"}));
    // The failed test goes on into its "then" part, whose mark fails in turn.
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_NE(ui.messages[0].text.find("PushButton6_Click at line 104"), std::string::npos);
    EXPECT_NE(ui.messages[1].text.find("PushButton6_Click at line 106"), std::string::npos);
}

TEST(LowerCase, LowersEveryScriptOneCharacterForOneAndLeavesOtherBytesAlone) {
    EXPECT_EQ(lowerCase("ÄÖÜ ABC Straße"), "äöü abc straße");
    EXPECT_EQ(lowerCase("ΣΟΦΊΑ КИРИЛЛИЦА Ǆ"), "σοφία кириллица ǆ");
    EXPECT_EQ(lowerCase("İ \u212A \u2126"), "i k ω");  // dotted capital I, Kelvin and Ohm signs
    EXPECT_EQ(lowerCase("\xC3(\xFF"
                        "A"),
              "\xC3(\xFF"
              "a");                  // broken UTF-8 stays byte for byte
    EXPECT_EQ(lowerCase("𐐀"), "𐐨");  // outside the basic plane
}

}  // namespace
}  // namespace calvenor
