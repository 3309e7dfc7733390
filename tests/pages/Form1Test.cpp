#include <gtest/gtest.h>

#include <map>

#include "pages/Form1.h"
#include "tests/fakes/FakeProgram.h"

namespace calvenor {
namespace {

using platform::Pointer;

class Form1Test : public ::testing::Test {
  protected:
    void SetUp() override { p.program.start(); }

    fakes::FakeTextBox& text1() { return window().textBox("Text1"); }
    fakes::FakeTextBox& text2() { return window().textBox("Text2"); }
    fakes::FakeWindow& window() { return p.ui.window("Form1"); }
    void click(std::string_view button) { window().button(button).click(); }

    fakes::FakeProgram p;
};

TEST_F(Form1Test, HasTheControlsOfTheLayoutInTabOrder) {
    std::map<int, std::string> byTabIndex;
    for (auto* control : window().controls()) {
        const platform::ControlLayout* layout = nullptr;
        if (auto* box = dynamic_cast<fakes::FakeTextBox*>(control)) layout = &box->layout();
        if (auto* button = dynamic_cast<fakes::FakePushButton*>(control)) layout = &button->layout();
        if (auto* label = dynamic_cast<fakes::FakeLabel*>(control)) layout = &label->layout();
        if (auto* frame = dynamic_cast<fakes::FakeFrame*>(control)) layout = &frame->layout();
        ASSERT_NE(layout, nullptr) << control->name();
        byTabIndex[layout->tabIndex] = control->name();
    }
    EXPECT_EQ(byTabIndex, (std::map<int, std::string>{{0, "Text1"},
                                                      {1, "PushButton5"},
                                                      {2, "Text2"},
                                                      {3, "PushButton3"},
                                                      {4, "Frame1"},
                                                      {5, "Label5"},
                                                      {6, "lblPassword"},
                                                      {7, "PushButton1"}}));
    EXPECT_TRUE(window().textBox("Text2").layout().password);
    EXPECT_EQ(window().button("PushButton1").layout().caption, "Load Sample/Example Database");
    EXPECT_EQ(window().button("PushButton3").layout().caption, "Next >");
    EXPECT_EQ(window().button("PushButton5").layout().caption, "...");
}

TEST_F(Form1Test, TypingStoresEveryIntermediateTextAndClearingStoresEmpty) {
    text1().type("abc");
    EXPECT_EQ(p.writesOf("Database"), (std::vector<std::string>{"a", "ab", "abc"}));
    text1().setText("");
    EXPECT_EQ(p.setting("Database"), "");
    text2().type("pw");
    EXPECT_EQ(p.writesOf("Password"), (std::vector<std::string>{"p", "pw"}));
}

TEST_F(Form1Test, SampleButtonFillsInTheProgramsSampleEvenWhenMissing) {
    text2().setText("kept");
    click("PushButton1");
    EXPECT_EQ(text1().text(), "C:\\Program Files\\Calvenor\\Samples\\sample.mdb");
    EXPECT_EQ(p.setting("Database"), "C:\\Program Files\\Calvenor\\Samples\\sample.mdb");
    EXPECT_EQ(text2().text(), "kept");
    EXPECT_TRUE(p.ui.messages.empty());
    EXPECT_TRUE(window().isVisible());
}

TEST_F(Form1Test, BrowseAsksForAnAccessDatabaseWithTheDatabaseFilters) {
    p.ui.openDialogChoice.reset();
    click("PushButton5");
    ASSERT_EQ(p.ui.openDialogsShown.size(), 1u);
    const auto& dialog = p.ui.openDialogsShown[0];
    EXPECT_EQ(dialog.dialogTitle, "Select Access Database");
    EXPECT_EQ(dialog.flags, 0x280001u);
    EXPECT_EQ(dialog.filter,
              "All Microsoft Databases (*.mdb,*.accdb)|*.*db|Microsoft Database (*.mdb)|*.mdb|"
              "Microsoft 2007 Database (*.accdb)|*.accdb|");
    EXPECT_EQ(dialog.fileName, "");
}

TEST_F(Form1Test, ChosenFileIsShownAndStoredAtOnce) {
    p.ui.openDialogChoice = "D:\\x\\Inventory.ACCDB";
    click("PushButton5");
    EXPECT_EQ(text1().text(), "D:\\x\\Inventory.ACCDB");
    EXPECT_EQ(p.setting("Database"), "D:\\x\\Inventory.ACCDB");
}

TEST_F(Form1Test, CancelChangesNothingEvenAfterAnEarlierChoice) {
    p.ui.openDialogChoice = "D:\\first.mdb";
    click("PushButton5");
    text1().setText("D:\\typed since.mdb");
    p.ui.openDialogChoice.reset();  // cancelled
    const auto writes = p.registry.writes.size();
    click("PushButton5");
    ASSERT_EQ(p.ui.openDialogsShown.size(), 2u);
    EXPECT_EQ(p.ui.openDialogsShown[1].fileName, "") << "the earlier choice must not come back";
    EXPECT_EQ(text1().text(), "D:\\typed since.mdb");
    EXPECT_EQ(p.registry.writes.size(), writes);
    EXPECT_TRUE(p.ui.messages.empty());
}

TEST_F(Form1Test, ADialogThatFailsIsReportedAtItsStepAndChangesNothing) {
    text1().setText("C:\\before.mdb");
    p.ui.openDialogFailure = "Unable to create the dialog";
    click("PushButton5");
    ASSERT_EQ(p.ui.messages.size(), 1u);
    EXPECT_EQ(
        p.ui.messages[0].text.rfind(
            "Unable to create the dialog\r\nin Ostrevan2021/08/31.Form1.PushButton5_Click at line 108\r\r",
            0),
        0u);
    EXPECT_EQ(text1().text(), "C:\\before.mdb");
}

TEST_F(Form1Test, FocusSelectsTheWholeTextByCharacters) {
    text1().setText("C:\\Umsätze.mdb");
    text1().focus();
    EXPECT_EQ(text1().selectionStart(), 0);
    EXPECT_EQ(text1().selectionLength(), 14);
    text2().setText("pw");
    text2().focus();
    EXPECT_EQ(text2().selectionLength(), 2);
}

TEST_F(Form1Test, PointerIsAHandOverButtonsAndAnArrowElsewhereButNeverReplacesTheHourglass) {
    window().button("PushButton3").onMouseMove();
    EXPECT_EQ(window().pointer(), Pointer::Custom);
    window().find<fakes::FakeFrame>("Frame1").onMouseMove();
    EXPECT_EQ(window().pointer(), Pointer::Default);
    window().button("PushButton5").onMouseMove();
    text2().onMouseMove();
    EXPECT_EQ(window().pointer(), Pointer::Default);
    window().button("PushButton5").onMouseMove();
    text1().onMouseMove();
    EXPECT_EQ(window().pointer(), Pointer::Default);
    window().button("PushButton1").onMouseMove();
    window().find<fakes::FakeLabel>("Label5").onMouseMove();  // labels change nothing
    EXPECT_EQ(window().pointer(), Pointer::Custom);

    window().setPointer(Pointer::Hourglass);
    window().button("PushButton1").onMouseMove();
    window().onMouseMove();
    EXPECT_EQ(window().pointer(), Pointer::Hourglass);
}

TEST_F(Form1Test, ClosingEndsTheProgramWithoutWritingSettings) {
    const auto writes = p.registry.writes.size();
    window().close();
    EXPECT_TRUE(p.ui.ended);
    EXPECT_EQ(p.registry.writes.size(), writes);
    EXPECT_TRUE(p.ui.messages.empty());
}

TEST_F(Form1Test, ASettingThatCannotBeSavedFailsTheStatementThatChangedTheBox) {
    p.registry.failWrites = true;
    click("PushButton1");
    p.ui.openDialogChoice = "D:\\chosen.mdb";
    click("PushButton5");
    ASSERT_EQ(p.ui.messages.size(), 2u);
    EXPECT_EQ(p.ui.messages[0].text.rfind(
                  "Access is denied.\r\nin Ostrevan2021/08/31.Form1.PushButton1_Click at line 100\r\r", 0),
              0u);
    EXPECT_EQ(p.ui.messages[1].text.rfind(
                  "Access is denied.\r\nin Ostrevan2021/08/31.Form1.PushButton5_Click at line 112\r\r", 0),
              0u);
    EXPECT_EQ(text1().text(), "D:\\chosen.mdb") << "the box keeps what was set";
}

TEST_F(Form1Test, ASettingThatCannotBeSavedIsSaidOnceUntilSavingWorksAgain) {
    p.registry.failWrites = true;
    text1().type("abc");
    ASSERT_EQ(p.ui.messages.size(), 1u);
    EXPECT_NE(p.ui.messages[0].text.find("\"Database\""), std::string::npos);
    EXPECT_EQ(text1().text(), "abc");
    p.registry.failWrites = false;
    text1().type("d");
    EXPECT_EQ(p.setting("Database"), "abcd");
    p.registry.failWrites = true;
    text1().type("e");
    EXPECT_EQ(p.ui.messages.size(), 2u);
}

}  // namespace
}  // namespace calvenor
