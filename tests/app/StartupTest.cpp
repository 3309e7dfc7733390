#include <gtest/gtest.h>

#include "pages/Form1.h"
#include "platform/Failure.h"
#include "tests/fakes/FakeProgram.h"

namespace calvenor {
namespace {

TEST(Startup, FirstRunShowsTheDatabasePageEmptyAndTitled) {
    fakes::FakeProgram p;
    p.program.start();
    auto& form1 = p.ui.window("Form1");
    EXPECT_TRUE(form1.isVisible());
    EXPECT_EQ(form1.caption(), "Calvenor");
    EXPECT_EQ(p.ui.applicationTitle(), "Calvenor");
    EXPECT_EQ(form1.textBox("Text1").text(), "");
    EXPECT_EQ(form1.textBox("Text2").text(), "");
    EXPECT_TRUE(p.ui.messages.empty());
}

TEST(Startup, RestoresDatabaseThenPasswordAndWritesThemBack) {
    fakes::FakeProgram p;
    p.registry.set(p.kSettingsKey, "Database", "C:\\Data\\Sales.accdb");
    p.registry.set(p.kSettingsKey, "Password", "s3cret");
    p.program.start();
    auto& form1 = p.ui.window("Form1");
    EXPECT_EQ(form1.textBox("Text1").text(), "C:\\Data\\Sales.accdb");
    EXPECT_EQ(form1.textBox("Text2").text(), "s3cret");
    ASSERT_EQ(p.registry.writes.size(), 2u);
    EXPECT_EQ(p.registry.writes[0].name, "Database");
    EXPECT_EQ(p.registry.writes[1].name, "Password");
    EXPECT_EQ(p.setting("Password"), "s3cret");
}

TEST(Startup, LoadsTheHandPointerFromTheProgramFolderWhenItIsThere) {
    fakes::FakeProgram withHand;
    withHand.files.addFile("C:\\Program Files\\Calvenor\\HAND-M.CUR");
    withHand.program.start();
    EXPECT_EQ(withHand.ui.window("Form1").mouseIcon, "C:\\Program Files\\Calvenor\\HAND-M.CUR");
    EXPECT_EQ(withHand.ui.window("Form1").pointer(), platform::Pointer::Default) << "only the picture is set";

    fakes::FakeProgram withoutHand;
    withoutHand.program.start();
    EXPECT_EQ(withoutHand.ui.window("Form1").mouseIcon, "");
    EXPECT_TRUE(withoutHand.ui.messages.empty());
}

TEST(Startup, ACursorFileThatIsNoCursorIsReportedAtItsStep) {
    fakes::FakeProgram p;
    p.files.addFile("C:\\Program Files\\Calvenor\\HAND-M.CUR");
    p.ui.refuseMouseIcons = true;
    p.program.start();
    ASSERT_EQ(p.ui.messages.size(), 1u);
    EXPECT_EQ(p.ui.messages[0].text.rfind(
                  "Invalid picture\r\nin Ostrevan2021/08/31.Form1.Form_Load at line 126", 0),
              0u);
    EXPECT_TRUE(p.ui.window("Form1").isVisible());
}

TEST(Startup, RestoredFieldsThatCannotBeWrittenBackAreReportedAtTheirSteps) {
    fakes::FakeProgram p;
    p.registry.set(p.kSettingsKey, "Database", "C:\\Data\\Sales.accdb");
    p.registry.set(p.kSettingsKey, "Password", "pw");
    p.registry.failWrites = true;
    p.program.start();
    ASSERT_EQ(p.ui.messages.size(), 2u);
    EXPECT_NE(p.ui.messages[0].text.find("Form1.Form_Load at line 128"), std::string::npos);
    EXPECT_NE(p.ui.messages[1].text.find("Form1.Form_Load at line 130"), std::string::npos);
    EXPECT_EQ(p.ui.window("Form1").textBox("Text1").text(), "C:\\Data\\Sales.accdb");
}

TEST(Startup, ASettingsStoreThatCannotBeReadIsReportedAndStartUpGoesOn) {
    struct BrokenRegistry : fakes::FakeRegistry {
        std::unique_ptr<platform::RegistryKey> openKey(std::string_view) override {
            throw platform::Failure{"The configuration registry database is corrupt."};
        }
    };
    fakes::FakeUi ui;
    fakes::FakeShell shell;
    fakes::FakeFileSystem files;
    BrokenRegistry registry;
    fakes::FakeAdo ado;
    fakes::FakeAccess access;
    Program program{{ui, shell, files, registry, ado, access}};
    program.start();
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_NE(ui.messages[0].text.find("in Ostrevan2021/08/31.Form1.Form_Load at line 128"),
              std::string::npos);
    EXPECT_NE(ui.messages[1].text.find("in Ostrevan2021/08/31.Form1.Form_Load at line 130"),
              std::string::npos);
    EXPECT_TRUE(ui.window("Form1").isVisible());
}

}  // namespace
}  // namespace calvenor
