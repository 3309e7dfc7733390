// "Next >" from the database selection page to the report list page, and the report list page itself.
#include <gtest/gtest.h>

#include "pages/Form1.h"
#include "pages/Form2.h"
#include "tests/fakes/FakeProgram.h"

namespace calvenor {
namespace {

using platform::Pointer;

class ReportListTest : public ::testing::Test {
  protected:
    void SetUp() override {
        p.files.addFile(kDatabase);
        p.access.reports = {"Sales", "Costs by Month", "Ä & Ö; \"quoted\""};
        p.program.start();
        form1().textBox("Text1").setText(kDatabase);
        form1().textBox("Text2").setText("pw");
    }

    fakes::FakeWindow& form1() { return p.ui.window("Form1"); }
    fakes::FakeWindow& form2() { return p.ui.window("Form2"); }
    fakes::FakeListView& list() { return form2().listView("ListView1"); }
    void next() { form1().button("PushButton3").click(); }
    // The first two lines of each report shown: description and location with the line.
    std::vector<std::string> reports() const {
        std::vector<std::string> result;
        for (const auto& m : p.ui.messages) result.push_back(m.text.substr(0, m.text.find("\r\r")));
        return result;
    }

    static constexpr char kDatabase[] = "C:\\Data\\Sales.mdb";
    static constexpr char kNext[] = "in Ostrevan2021/08/31.Form1.PushButton3_Click at line ";
    fakes::FakeProgram p;
};

TEST_F(ReportListTest, NextListsEveryReportCheckedInAccessOrderAndSwapsThePages) {
    next();
    EXPECT_EQ(list().shown(),
              (std::vector<std::string>{"[x] Sales", "[x] Costs by Month", "[x] Ä & Ö; \"quoted\""}));
    EXPECT_TRUE(form2().isVisible());
    EXPECT_FALSE(form1().isVisible());
    EXPECT_TRUE(p.ui.messages.empty());
    EXPECT_EQ(p.ado.opened.size(), 1u);
    // One hidden Access of its own, ended before the command returns; the message loop served before
    // each report and after closing.
    EXPECT_EQ(p.access.calls,
              (std::vector<std::string>{"create", "open C:\\Data\\Sales.mdb|false|pw", "allReports",
                                        "name Sales", "name Costs by Month", "name Ä & Ö; \"quoted\"",
                                        "close", "quit 1", "release"}));
    EXPECT_EQ(p.ui.eventRounds, 4);
}

TEST_F(ReportListTest, NextBackNextShowsOneColumnAndEachReportOnceAllChecked) {
    next();
    list().setChecked(2, false);
    form2().button("PushButton2").click();  // "< Back"
    EXPECT_TRUE(form1().isVisible());
    EXPECT_FALSE(form2().isVisible());
    EXPECT_EQ(list().count(), 3) << "going back keeps the list";
    EXPECT_FALSE(list().checked(2));
    p.access.reports = {"Only"};
    next();
    EXPECT_EQ(list().shown(), std::vector<std::string>{"[x] Only"});
    EXPECT_EQ(list().columnCount(), 1);
    EXPECT_EQ(list().columnText(1), "Report Name");
    EXPECT_EQ(list().columnWidth(1), 7000);
    EXPECT_EQ(p.ui.windows.size(), 2u) << "the page is created once";
}

TEST_F(ReportListTest, EachFailureIsReportedAtItsLineAndTheCommandGoesOnAsTheResumeRuleSays) {
    struct Case {
        const char* what;
        std::function<void(fakes::FakeProgram&)> arrange;
        std::vector<std::string> reports;  // after kNext
        std::vector<std::string> items;
        bool onReportList;
        bool accessStarted;
    };
    const std::vector<Case> cases{
        {"missing file", [](auto& p) { p.files = fakes::FakeFileSystem{}; }, {}, {}, false, false},
        {"wrong password at ADO",
         [](auto& p) { p.ado.openFailure = "Not a valid password."; },
         {"Not a valid password.\r\n" + std::string{kNext} + "100"},
         {},
         false,
         false},
        {"Access refuses the database",
         [](auto& p) { p.access.failAt = "open"; },
         {"Not a valid password.\r\n" + std::string{kNext} + "106"},
         {},
         true,
         true},
        {"Access fails during the enumeration",
         [](auto& p) { p.access.failAt = "name Costs by Month"; },
         {"Access failed at name Costs by Month\r\n" + std::string{kNext} + "106"},
         {"[x] Sales"},
         true,
         true},
        {"the list refuses an item",
         [](auto& p) {
             p.program.form2();
             p.ui.window("Form2").listView("ListView1").failingItem = "Sales";
         },
         {"Item refused\r\n" + std::string{kNext} + "106"},
         {},
         true,
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fakes::FakeProgram q;
        q.files.addFile(kDatabase);
        q.access.reports = p.access.reports;
        q.program.start();
        q.ui.window("Form1").textBox("Text1").setText(kDatabase);
        c.arrange(q);
        q.ui.window("Form1").button("PushButton3").click();
        std::vector<std::string> shown;
        for (const auto& m : q.ui.messages) shown.push_back(m.text.substr(0, m.text.find("\r\r")));
        EXPECT_EQ(shown, c.reports);
        EXPECT_EQ(q.ui.window("Form1").isVisible(), !c.onReportList);
        if (c.onReportList) {
            EXPECT_TRUE(q.ui.window("Form2").isVisible());
            EXPECT_EQ(q.ui.window("Form2").listView("ListView1").shown(), c.items);
        }
        EXPECT_EQ(!q.access.calls.empty(), c.accessStarted);
        if (c.accessStarted) {
            EXPECT_EQ(q.access.calls.back(), "release") << "Access is never left running";
        }
    }
}

TEST_F(ReportListTest, ASecondNextWhileTheFirstIsListingIsIgnored) {
    int clicks = 0;
    p.ui.duringEvents = [&] {
        if (clicks++ < 2) next();  // a double-click: the second click arrives mid-enumeration
    };
    next();
    EXPECT_EQ(list().shown(),
              (std::vector<std::string>{"[x] Sales", "[x] Costs by Month", "[x] Ä & Ö; \"quoted\""}));
    EXPECT_EQ(p.ado.opened.size(), 1u);
    p.ui.duringEvents = nullptr;
    form2().button("PushButton2").click();
    next();
    EXPECT_EQ(list().count(), 3) << "a finished \"Next >\" takes the next click";
    EXPECT_EQ(p.ado.opened.size(), 2u);
}

TEST_F(ReportListTest, TheEmptyPasswordReachesAccessAsEmptyText) {
    form1().textBox("Text2").setText("");
    next();
    EXPECT_EQ(p.access.calls.at(1), "open C:\\Data\\Sales.mdb|false|");
}

TEST_F(ReportListTest, LoadDressesThePageAndRestoresTheOutputFolder) {
    p.files.addFile("C:\\Program Files\\Calvenor\\HAND-M.CUR");
    next();
    auto& page = form2();
    EXPECT_EQ(page.caption(), "Calvenor");
    EXPECT_EQ(page.backColor(), platform::kButtonFace);
    EXPECT_EQ(page.find<fakes::FakeFrame>("Frame2").backColor(), platform::kButtonFace);
    EXPECT_EQ(list().backColor(), platform::kWindowBackground) << "the list keeps its own colour";
    EXPECT_EQ(page.button("PushButton3").backColor(), platform::kWhite);
    EXPECT_EQ(page.mouseIcon, "C:\\Program Files\\Calvenor\\HAND-M.CUR");
    EXPECT_EQ(page.textBox("Text1").text(), "C:\\Users\\ann\\Desktop\\");
    EXPECT_EQ(p.setting("Location"), "C:\\Users\\ann\\Desktop\\") << "the default is stored back";

    fakes::FakeProgram stored;
    stored.registry.set(stored.kSettingsKey, "Location", "D:\\Reports\\");
    stored.program.start();
    stored.program.form2();
    EXPECT_EQ(stored.ui.window("Form2").textBox("Text1").text(), "D:\\Reports\\");
    EXPECT_EQ(stored.ui.window("Form2").mouseIcon, "") << "no cursor file, no picture, no message";
    EXPECT_TRUE(stored.ui.messages.empty());
}

TEST_F(ReportListTest, TheFolderFieldIsStoredOnEveryChange) {
    next();
    form2().textBox("Text1").setText("");
    form2().textBox("Text1").type("/x");
    EXPECT_EQ(p.setting("Location"), "/x");
}

TEST_F(ReportListTest, PointerIsAHandOverEveryButtonAnArrowOverListAndFrameAndNeverReplacesTheHourglass) {
    next();
    auto& page = form2();
    for (const char* button : {"PushButton1", "PushButton2", "PushButton3", "PushButton4", "PushButton5",
                               "PushButton6", "PushButton7"}) {
        page.setPointer(Pointer::Default);
        page.button(button).onMouseMove();
        EXPECT_EQ(page.pointer(), Pointer::Custom) << button;
    }
    for (platform::Control* area :
         std::initializer_list<platform::Control*>{&page, &list(), &page.find<fakes::FakeFrame>("Frame2")}) {
        page.setPointer(Pointer::Custom);
        area->onMouseMove();
        EXPECT_EQ(page.pointer(), Pointer::Default) << area->name();
    }
    page.setPointer(Pointer::Custom);
    page.textBox("Text1").onMouseMove();
    EXPECT_EQ(page.pointer(), Pointer::Custom) << "the folder field has no pointer handling";
    page.setPointer(Pointer::Hourglass);
    page.button("PushButton1").onMouseMove();
    list().onMouseMove();
    EXPECT_EQ(page.pointer(), Pointer::Hourglass);
}

TEST_F(ReportListTest, SelectionButtonsRunTheirCommandsUnderTheirOwnLocations) {
    next();
    auto& page = form2();
    page.button("PushButton4").click();
    EXPECT_EQ(list().shown(), (std::vector<std::string>{"Sales", "Costs by Month", "Ä & Ö; \"quoted\""}));
    p.ui.inputs = {"ä &"};
    page.button("PushButton6").click();
    EXPECT_EQ(list().shown(), (std::vector<std::string>{"Sales", "Costs by Month", "[x] Ä & Ö; \"quoted\""}));
    p.ui.inputs = {"SALES"};
    page.button("PushButton5").click();
    EXPECT_EQ(list().shown(),
              (std::vector<std::string>{"Sales", "[x] Costs by Month", "[x] Ä & Ö; \"quoted\""}));
    page.button("PushButton1").click();
    EXPECT_EQ(list().shown(),
              (std::vector<std::string>{"[x] Sales", "[x] Costs by Month", "[x] Ä & Ö; \"quoted\""}));

    list().failingItem = "Sales";
    for (const char* button : {"PushButton1", "PushButton4", "PushButton5", "PushButton6"}) {
        page.button(button).click();
    }
    std::vector<std::string> expected;
    for (const char* line : {"PushButton1_Click at line 102", "PushButton4_Click at line 102",
                             "PushButton5_Click at line 104", "PushButton5_Click at line 106",
                             "PushButton6_Click at line 104", "PushButton6_Click at line 106"}) {
        expected.push_back(std::string{"Item unavailable\r\nin Ostrevan2021/08/31.Form2."} + line);
    }
    EXPECT_EQ(reports(), expected);
}

TEST_F(ReportListTest, DoubleClickAndThePreviewCommandShowTheItemsReportAndChangeNothingElse) {
    next();
    list().setChecked(2, false);
    const auto marks = list().shown();
    const auto writes = p.registry.writes.size();
    EXPECT_EQ(list().menuCommands(), std::vector<std::string>{"Preview"});
    list().doubleClick(3);
    list().chooseMenuCommand(2, "Preview");
    list().doubleClick(0);  // on the list's empty space: nothing is selected
    EXPECT_EQ(p.preview.shown, (std::vector<std::string>{"C:\\Data\\Sales.mdb|pw|Ä & Ö; \"quoted\"",
                                                         "C:\\Data\\Sales.mdb|pw|Costs by Month"}));
    EXPECT_EQ(list().shown(), marks);
    EXPECT_EQ(p.registry.writes.size(), writes) << "nothing is stored";
    EXPECT_TRUE(p.ui.messages.empty());
}

TEST_F(ReportListTest, APreviewThatCannotStartIsReportedUnderItsHandler) {
    next();
    p.preview.failure = "The report cannot be shown.";
    list().doubleClick(1);
    list().chooseMenuCommand(1, "Preview");
    EXPECT_EQ(
        reports(),
        (std::vector<std::string>{
            "The report cannot be shown.\r\nin Ostrevan2021/08/31.Form2.ListView1_DblClick at line 102",
            "The report cannot be shown.\r\nin Ostrevan2021/08/31.Form2.mnuPreview_Click at line 102"}));
    EXPECT_EQ(list().checked(1), true);
}

TEST_F(ReportListTest, ClosingTheReportListEndsTheProgram) {
    next();
    form2().close();
    EXPECT_TRUE(p.ui.ended);
}

}  // namespace
}  // namespace calvenor
