#include <gtest/gtest.h>

#include "app/ShellUtilities.h"
#include "platform/Failure.h"
#include "tests/fakes/FakeFileSystem.h"
#include "tests/fakes/FakeShell.h"
#include "tests/fakes/FakeUi.h"

namespace calvenor {
namespace {

TEST(FileChecks, TellFilesFromFoldersAndFromNothing) {
    fakes::FakeFileSystem files;
    files.addFile("C:\\Data\\Sales.mdb");
    files.addFolder("C:\\Data");
    EXPECT_TRUE(FileExists(files, "C:\\Data\\Sales.mdb"));
    EXPECT_TRUE(FileExists(files, "C:\\Data"));
    EXPECT_FALSE(FileExists(files, "C:\\Data\\Missing.mdb"));
    EXPECT_FALSE(FileExists(files, ""));
    EXPECT_TRUE(IsFolder(files, "C:\\Data"));
    EXPECT_FALSE(IsFolder(files, "C:\\Data\\Sales.mdb"));
    EXPECT_FALSE(IsFolder(files, "C:\\Nowhere"));
    EXPECT_FALSE(IsFolder(files, ""));
}

TEST(FileChecks, NeverFailEvenWhenThePlatformDoes) {
    struct FailingFileSystem : fakes::FakeFileSystem {
        std::optional<platform::PathKind> examine(std::string_view) override {
            throw platform::Failure{"Device not ready"};
        }
    } files;
    EXPECT_FALSE(FileExists(files, "A:\\x.mdb"));
    EXPECT_FALSE(IsFolder(files, "A:\\"));
}

TEST(GetDesktopFolder, EndsWithExactlyOneSeparator) {
    fakes::FakeShell shell;
    fakes::FakeFileSystem windowsFiles{'\\'};
    shell.desktopFolderPath = "C:\\Users\\ann\\Desktop";
    EXPECT_EQ(GetDesktopFolder(shell, windowsFiles), "C:\\Users\\ann\\Desktop\\");
    shell.desktopFolderPath = "C:\\Users\\ann\\Desktop\\\\";
    EXPECT_EQ(GetDesktopFolder(shell, windowsFiles), "C:\\Users\\ann\\Desktop\\");
    shell.desktopFolderPath = "D:\\";
    EXPECT_EQ(GetDesktopFolder(shell, windowsFiles), "D:\\");

    fakes::FakeFileSystem posixFiles{'/'};
    shell.desktopFolderPath = "/home/ann/Desktop/";
    EXPECT_EQ(GetDesktopFolder(shell, posixFiles), "/home/ann/Desktop/");
    shell.desktopFolderPath = "/";
    EXPECT_EQ(GetDesktopFolder(shell, posixFiles), "/");
}

TEST(GetDesktopFolder, FailsWithInvalidArgumentWhenThePlatformCannotNameIt) {
    fakes::FakeShell shell;
    fakes::FakeFileSystem files;
    shell.desktopFolderPath = "";
    try {
        GetDesktopFolder(shell, files);
        FAIL() << "no failure";
    } catch (const platform::Failure& failure) {
        EXPECT_EQ(failure.description(), "Invalid procedure call or argument");
        EXPECT_EQ(failure.number(), 5);
    }
}

TEST(SetFormColors, GivesWindowFramesAndLabelsTheButtonFaceOnly) {
    fakes::FakeUi ui;
    auto window = ui.createWindow({"Form", 1000, 1000, {"Arial", 9, false}, platform::kWhite});
    const platform::Font font{"Arial", 9, true};
    auto& frame =
        window->addFrame({"Frame1", platform::ControlKind::Frame, "", {}, 0, font, platform::kWhite});
    auto& label = frame.addLabel({"Label1", platform::ControlKind::Label, "", {}, 1, font, platform::kWhite});
    auto& text = frame.addTextBox(
        {"Text1", platform::ControlKind::TextBox, "", {}, 2, font, platform::kWindowBackground});
    auto& button = window->addPushButton(
        {"PushButton1", platform::ControlKind::PushButton, "", {}, 3, font, platform::kWhite});
    SetFormColors(*window);
    EXPECT_EQ(window->backColor(), 0x8000000Fu);
    EXPECT_EQ(frame.backColor(), 0x8000000Fu);
    EXPECT_EQ(label.backColor(), 0x8000000Fu);
    EXPECT_EQ(text.backColor(), platform::kWindowBackground);
    EXPECT_EQ(button.backColor(), platform::kWhite);
}

TEST(ShortenTitle, KeepsShortTitlesAndCutsLongOnesAtBlanksAsOftenAsNeeded) {
    EXPECT_EQ(ShortenTitle("Calvenor"), "Calvenor");
    const std::string forty(40, 'x');
    EXPECT_EQ(ShortenTitle(forty), forty);
    // Cutting at the last blank still leaves 44 characters, so it cuts again.
    EXPECT_EQ(ShortenTitle("Calvenor saves every report of a database as PDF files"),
              "Calvenor saves every report of a");
    EXPECT_EQ(ShortenTitle(forty + " tail"), forty);
}

TEST(ShortenTitle, KeepsTheFirstFortyCharactersWhenNoBlankIsLeft) {
    EXPECT_EQ(ShortenTitle(std::string(50, 'y')), std::string(40, 'y'));
    EXPECT_EQ(ShortenTitle("short " + std::string(45, 'z')), "short");
    // Characters, not bytes: forty-one "ä" lose one "ä", never half of one.
    std::string umlauts;
    for (int i = 0; i < 41; ++i) umlauts += "ä";
    EXPECT_EQ(ShortenTitle(umlauts), umlauts.substr(0, 80));
}

TEST(SetAppTitle, SetsTheProductTitle) {
    fakes::FakeUi ui;
    ui.setApplicationTitle("something else");
    SetAppTitle(ui);
    EXPECT_EQ(ui.applicationTitle(), "Calvenor");
}

TEST(ProgramFile, UsesThePlatformsSeparator) {
    fakes::FakeShell shell;
    fakes::FakeFileSystem windowsFiles{'\\'};
    EXPECT_EQ(ProgramFile(shell, windowsFiles, "\\Samples\\sample.mdb"),
              "C:\\Program Files\\Calvenor\\Samples\\sample.mdb");
    shell.programFolderPath = "/opt/calvenor";
    fakes::FakeFileSystem posixFiles{'/'};
    EXPECT_EQ(ProgramFile(shell, posixFiles, "\\Samples\\sample.mdb"), "/opt/calvenor/Samples/sample.mdb");
}

}  // namespace
}  // namespace calvenor
