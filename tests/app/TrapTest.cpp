#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "app/ErrorReport.h"
#include "app/Trap.h"
#include "platform/Failure.h"
#include "tests/fakes/FakeUi.h"

namespace calvenor {
namespace {

constexpr char kLocation[] = "in Ostrevan2021/08/31.Form2.PushButton5_Click ";

class TrapTest : public ::testing::Test {
  protected:
    // The first line of each report shown, and the line naming the location and step.
    std::vector<std::string> reports() const {
        std::vector<std::string> result;
        for (const auto& m : ui.messages) result.push_back(m.text.substr(0, m.text.find("\r\r")));
        return result;
    }

    fakes::FakeUi ui;
    ErrorReport errors{ui};
    Trap trap{kLocation, errors};
};

void failWith(const char* description) {
    throw platform::Failure{description};
}

TEST_F(TrapTest, AFailedStatementIsReportedAndTheHandlerGoesOn) {
    std::vector<int> ran;
    trap.step(100, [&] { ran.push_back(100); });
    trap.step(102, [&] {
        ran.push_back(102);
        failWith("Object required");
        ran.push_back(-1);  // the rest of a failed statement never runs
    });
    trap.step(104, [&] { ran.push_back(104); });
    EXPECT_EQ(ran, (std::vector<int>{100, 102, 104}));
    EXPECT_EQ(reports(),
              std::vector<std::string>{std::string{"Object required\r\n"} + kLocation + "at line 102"});
}

TEST_F(TrapTest, SeveralFailuresInOneCallGiveSeveralReportsInOrder) {
    trap.step(100, [] { failWith("first"); });
    trap.step(102, [] {});
    trap.step(104, [] { failWith("second"); });
    EXPECT_EQ(reports(), (std::vector<std::string>{std::string{"first\r\n"} + kLocation + "at line 100",
                                                   std::string{"second\r\n"} + kLocation + "at line 104"}));
}

TEST_F(TrapTest, AFailingTestRunsTheThenPart) {
    EXPECT_TRUE(trap.test(104, []() -> bool { throw platform::Failure{"Type mismatch"}; }));
    EXPECT_FALSE(trap.test(104, [] { return false; }));
    EXPECT_TRUE(trap.test(104, [] { return true; }));
    EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(TrapTest, AFailureInACalledProcedureCarriesTheCallingStepAndTheHandlersLocation) {
    auto innerProcedure = [] { failWith("Permission denied"); };
    auto outerProcedure = [&] { innerProcedure(); };
    trap.step(106, outerProcedure);
    EXPECT_EQ(reports(),
              std::vector<std::string>{std::string{"Permission denied\r\n"} + kLocation + "at line 106"});
}

TEST_F(TrapTest, AFailingLoopHeadIsReportedAndTheLoopMakesNoPass) {
    EXPECT_EQ(trap.passes(102, []() -> int { throw platform::Failure{"Overflow", 6}; }), 0);
    EXPECT_EQ(trap.passes(102, [] { return 3; }), 3);
    EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(TrapTest, TheProgramsEndStopsTheHandlerWithoutAReport) {
    bool ranOn = false;
    EXPECT_THROW(
        {
            trap.step(100, [] { throw platform::ProgramEnded{}; });
            ranOn = true;
        },
        platform::ProgramEnded);
    EXPECT_FALSE(ranOn);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(TrapTest, EveryKindOfFailureIsCaughtWithADescription) {
    trap.step(100, [] { throw std::runtime_error("runtime"); });
    trap.step(102, [] { throw std::bad_alloc(); });
    trap.step(104, [] { throw 42; });
    ASSERT_EQ(ui.messages.size(), 3u);
    EXPECT_EQ(ui.messages[0].text.rfind("runtime\r\n", 0), 0u);
    EXPECT_EQ(ui.messages[1].text.rfind("Out of memory\r\n", 0), 0u);
    EXPECT_EQ(ui.messages[2].text.rfind("Unexpected error\r\n", 0), 0u);
}

TEST(HandlerLocation, IsTheProjectItsDateTheFormAndTheHandlerEndingInABlank) {
    EXPECT_EQ(std::string_view{handlerLocation("Form1", "Form_Load")},
              "in Ostrevan2021/08/31.Form1.Form_Load ");
    EXPECT_EQ(std::string_view{handlerLocation("Form2", "PushButton5_Click")}, kLocation);
}

}  // namespace
}  // namespace calvenor
