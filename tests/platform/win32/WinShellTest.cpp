#include <gtest/gtest.h>
#include <windows.h>

#include "platform/Failure.h"
#include "platform/win32/SystemError.h"
#include "platform/win32/WideText.h"
#include "platform/win32/WinFileSystem.h"
#include "platform/win32/WinPrinters.h"
#include "platform/win32/WinShell.h"
#include "tests/platform/win32/TemporaryFolder.h"

namespace {

using namespace platform::win32;

std::string lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

TEST(WinShell, TheProgramFolderHoldsThisProgram) {
    const std::string folder = WinShell{}.programFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), '\\');
    EXPECT_EQ(WinFileSystem{}.examine(folder), platform::PathKind::Folder);
    EXPECT_EQ(WinFileSystem{}.examine(folder + "\\win32_tests.exe"), platform::PathKind::File);
}

TEST(WinShell, TheDesktopIsTheUsersOwn) {
    wchar_t user[256] = {};
    ASSERT_GT(GetEnvironmentVariableW(L"USERNAME", user, 256), 0u);
    std::string desktop = WinShell{}.desktopFolder();
    if (!desktop.empty() && desktop.back() == '\\') desktop.pop_back();
    // Wine's layout; on Windows the same folder sits in the user's profile.
    EXPECT_EQ(lowered(desktop), lowered("C:\\users\\" + toUtf8(user) + "\\Desktop"));
}

TEST(WinShell, RunCommandStartsTheProgramWithoutWaiting) {
    test_support::TemporaryFolder temp;
    const std::string made = temp / "made by cmd";
    WinShell{}.runCommand("cmd.exe /c mkdir \"" + made + "\"", SW_HIDE);
    // Not waited for by runCommand, so the test waits for its effect (at most 20 s).
    for (int i = 0; i < 200 && !WinFileSystem{}.examine(made); ++i) Sleep(100);
    EXPECT_EQ(WinFileSystem{}.examine(made), platform::PathKind::Folder);
}

TEST(WinShell, RunCommandOfAMissingProgramFailsWithTheSystemsText) {
    try {
        WinShell{}.runCommand("no-such-program-calvenor.exe /x", SW_SHOWMINIMIZED);
        FAIL() << "no Failure raised";
    } catch (const platform::Failure& failure) {
        EXPECT_EQ(failure.number(), ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(failure.description(),
                  "Cannot run no-such-program-calvenor.exe /x: " + systemMessage(ERROR_FILE_NOT_FOUND));
    }
}

TEST(WinPrinters, WithoutAPrintServerTheListIsEmpty) {
    // The test runs with CUPS pointed at nothing: Wine then has no printers, which is no failure.
    EXPECT_EQ(WinPrinters{}.deviceNames(), std::vector<std::string>{});
}

}  // namespace
