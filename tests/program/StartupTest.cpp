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
    fakes::FakePrinters printers;
    fakes::FakeSkin skin;
    fakes::FakePrinterValuesLock printerValues;
    Program program{{ui, shell, files, registry, ado, access, printers, skin, printerValues, nullptr,
                     [] { return 0.0; }}};
    program.start();
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_NE(ui.messages[0].text.find("in Ostrevan2021/08/31.Form1.Form_Load at line 128"),
              std::string::npos);
    EXPECT_NE(ui.messages[1].text.find("in Ostrevan2021/08/31.Form1.Form_Load at line 130"),
              std::string::npos);
    EXPECT_TRUE(ui.window("Form1").isVisible());
}

// The branches of the whole start-up, as the user meets them: which page is shown, what is said, what
// the start-up asked of the outside.
TEST(Startup, GoesOnAsTheRememberedDatabaseTheDataProviderAndThePrinterAllow) {
    constexpr char kDatabase[] = "C:\\Data\\Sales.mdb";
    constexpr char kHelp[] = "Error #3706: Provider cannot be found.";
    constexpr char kPrinterHelp[] = "Drevmark PDF Writer is not installed.";
    struct Case {
        const char* what;
        std::function<void(fakes::FakeProgram&)> arrange;
        const char* shown;              // "Form1", "Form2" or "" (the program ended)
        std::vector<std::string> said;  // the first line of each message, in order
    };
    const std::vector<Case> cases{
        {"first run", [](auto&) {}, "Form1", {}},
        {"remembered database that exists and opens",
         [&](auto& p) {
             p.registry.set(p.kSettingsKey, "Database", kDatabase);
             p.files.addFile(kDatabase);
         },
         "Form2",
         {}},
        {"remembered database that exists but no longer opens",
         [&](auto& p) {
             p.registry.set(p.kSettingsKey, "Database", kDatabase);
             p.files.addFile(kDatabase);
             p.ado.openFailure = "Not a valid password.";
         },
         "Form1",
         {"Not a valid password."}},
        {"remembered database that is gone",
         [&](auto& p) { p.registry.set(p.kSettingsKey, "Database", kDatabase); },
         "Form1",
         {}},
        {"data provider missing, No",
         [](auto& p) {
             p.ado.createFailure = platform::Failure{"x", 3706};
         },
         "",
         {kHelp}},
        {"data provider missing, Yes",
         [](auto& p) {
             p.ado.createFailure = platform::Failure{"x", 3706};
             p.ui.answers = {platform::MessageAnswer::Yes};
         },
         "",
         {kHelp}},
        {"data provider fails otherwise",
         [](auto& p) { p.ado.createFailure = platform::Failure{"Class not registered"}; },
         "",
         {"Class not registered"}},
        {"PDF printer missing",
         [](auto& p) { p.printers.names = {"drevmark pdf writer"}; },
         "Form1",
         {kPrinterHelp}},
        {"remembered database, PDF printer missing: the list first, then the instructions",
         [&](auto& p) {
             p.registry.set(p.kSettingsKey, "Database", kDatabase);
             p.files.addFile(kDatabase);
             p.printers.names = {};
         },
         "Form2",
         {kPrinterHelp}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fakes::FakeProgram p;
        p.access.reports = {"Sales"};
        c.arrange(p);
        std::vector<bool> visibleWhileSaid;
        p.ui.whileMessageShows = [&] {
            bool any = false;
            for (auto* window : p.ui.windows) any = any || window->isVisible();
            visibleWhileSaid.push_back(any);
        };
        p.program.start();
        std::vector<std::string> said;
        for (const auto& m : p.ui.messages) said.push_back(m.text.substr(0, m.text.find("\r")));
        std::vector<std::string> expected;
        for (const auto& line : c.said)
            expected.push_back(std::string{line}.substr(0, std::string{line}.find(" It may")));
        EXPECT_EQ(said.size(), expected.size());
        for (std::size_t i = 0; i < std::min(said.size(), expected.size()); ++i) {
            EXPECT_EQ(said[i].rfind(expected[i], 0), 0u) << said[i];
        }
        std::string shown;
        for (auto* window : p.ui.windows) {
            if (window->isVisible()) shown += std::string{window->name()};
        }
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(p.ui.ended, std::string{c.shown}.empty());
        if (std::string{c.shown} == "Form2") {
            EXPECT_EQ(p.ui.window("Form2").listView("ListView1").shown(),
                      std::vector<std::string>{"[x] Sales"});
        }
        if (std::string{c.what} == "data provider missing, Yes") {
            EXPECT_EQ(p.shell.openedPages.size(), 2u);
        }
        // Nothing of the program shows while start-up speaks, unless the report list already came up.
        if (std::string{c.shown} != "Form2") {
            for (bool visible : visibleWhileSaid) EXPECT_FALSE(visible);
        }
    }
}

TEST(Startup, DressesTheWindowWithSkinIconAndTheRareHomePageVisit) {
    fakes::FakeProgram plain;
    plain.program.start();
    EXPECT_TRUE(plain.ui.window("Form1").hasProgramIcon);
    EXPECT_TRUE(plain.skin.calls.empty()) << "no skin file, no skin";
    EXPECT_EQ(plain.ui.window("Form1").backColor(), platform::kWhite);
    EXPECT_TRUE(plain.shell.commandsRun.empty()) << "0.5 draws 51";

    fakes::FakeProgram skinned;
    skinned.files.addFile("C:\\Program Files\\Calvenor\\x\\o.cjs");
    skinned.fraction = 0.06;  // draws 7: the one start in a hundred
    skinned.program.start();
    EXPECT_EQ(skinned.skin.calls,
              (std::vector<std::string>{"load C:\\Program Files\\Calvenor\\x\\o.cjs|", "get 1", "set 1=3",
                                        "set 5=-1", "set 10=-1", "apply Form1"}));
    auto& window = skinned.ui.window("Form1");
    EXPECT_EQ(window.backColor(), platform::kButtonFace);
    EXPECT_EQ(window.find<fakes::FakeLabel>("Label5").backColor(), platform::kButtonFace);
    EXPECT_EQ(window.textBox("Text1").backColor(), platform::kWindowBackground);
    EXPECT_EQ(skinned.shell.commandsRun,
              std::vector<std::string>{"explorer \"https://www.drevmark.com/\" (2)"});

    fakes::FakeProgram refused;
    refused.files.addFile("C:\\Program Files\\Calvenor\\x\\o.cjs");
    refused.skin.refuseSkins = true;
    refused.program.start();
    ASSERT_EQ(refused.ui.messages.size(), 1u);
    EXPECT_NE(refused.ui.messages[0].text.find(
                  "The skin file is damaged.\r\nin Ostrevan2021/08/31.Form1.Form_Load at line 100"),
              std::string::npos);
    EXPECT_TRUE(refused.ui.window("Form1").isVisible()) << "start-up goes on";
}

}  // namespace
}  // namespace calvenor
