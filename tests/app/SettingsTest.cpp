#include <gtest/gtest.h>

#include "app/Settings.h"
#include "tests/fakes/FakeRegistry.h"

namespace calvenor {
namespace {

TEST(Settings, LiveUnderDrevmarkCalvenorWhereClassicProgramSettingsAre) {
    fakes::FakeRegistry registry;
    Settings settings{registry};
    settings.SaveSetting("Database", "C:\\Data\\Sales.accdb");
    EXPECT_EQ(registry.value("Software\\VB and VBA Program Settings\\Drevmark\\Calvenor", "Database"),
              "C:\\Data\\Sales.accdb");
}

TEST(Settings, GiveBackExactlyTheTextStored) {
    fakes::FakeRegistry registry;
    Settings settings{registry};
    for (std::string text :
         {"", " padded ", "pass;word=\"x\"", "Umsätze 2026", "line\r\nbreak", "C:\\Out\\"}) {
        settings.SaveSetting("Password", text);
        EXPECT_EQ(settings.GetSetting("Password", "default"), text);
    }
}

TEST(Settings, AnswerTheDefaultWhenKeyOrValueIsAbsent) {
    fakes::FakeRegistry registry;
    Settings settings{registry};
    EXPECT_EQ(settings.GetSetting("Location", "C:\\Users\\ann\\Desktop\\"), "C:\\Users\\ann\\Desktop\\");
    settings.SaveSetting("Database", "x");
    EXPECT_EQ(settings.GetSetting("LastFolderDot", ""), "");
    EXPECT_TRUE(registry.writes.size() == 1) << "reading must not write";
}

TEST(Settings, AnEmptyTextIsStoredNotDeleted) {
    fakes::FakeRegistry registry;
    Settings settings{registry};
    settings.SaveSetting("Password", "secret");
    settings.SaveSetting("Password", "");
    EXPECT_EQ(settings.GetSetting("Password", "default"), "");
}

}  // namespace
}  // namespace calvenor
