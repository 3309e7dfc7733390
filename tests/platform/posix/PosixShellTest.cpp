#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "platform/Failure.h"
#include "platform/posix/PosixShell.h"
#include "tests/support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using platform::Failure;
using platform::posix::PosixShell;
using test_support::readFile;
using test_support::ScopedEnvironment;
using test_support::TemporaryFolder;
using test_support::writeFile;

TEST(PosixShell, ProgramFolderIsTheFolderOfTheRunningProgram) {
    const std::string folder = PosixShell{}.programFolder();
    EXPECT_EQ(fs::canonical(folder), fs::canonical(CALVENOR_TEST_PROGRAM_FOLDER));
    EXPECT_NE(folder.back(), '/');
}

TEST(PosixShell, DesktopFolderFollowsTheUserDirectoriesWithHomeAsLastResort) {
    struct Case {
        const char* userDirs;  // the content of $HOME/.config/user-dirs.dirs, null for none
        const char* expected;
    };
    // "@" stands for a temporary folder that holds home/ with Desktop/ and Schreibtisch/, and "Work "Desk"".
    const Case cases[] = {
        {nullptr, "@/home/Desktop"},
        {"# written by xdg-user-dirs-update\n"
         "XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n"
         "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n",
         "@/home/Schreibtisch"},
        {"XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n  XDG_DESKTOP_DIR = \"@/Work \\\"Desk\\\"/\"\n",
         "@/Work \"Desk\""},
        {"XDG_DESKTOP_DIR=\"$HOME/\"\n", "@/home"},
        {"XDG_DESKTOP_DIR=\"$HOME/Gone\"\n", "@/home"},
        {"XDG_DESKTOP_DIR=\"@/gone\"\n", "@/home"},
        {"XDG_DESKTOP_DIR=\"Schreibtisch\"\n", "@/home/Desktop"},
        {"XDG_DESKTOP_DIR=\"~/Schreibtisch\"\n", "@/home/Desktop"},
        {"XDG_DESKTOP_DIR=\"$HOMEWORK/Schreibtisch\"\n", "@/home/Desktop"},
        {"XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\n", "@/home/Desktop"},
        {"XDG_DESKTOP_DIR=$HOME/Schreibtisch\n", "@/home/Desktop"},
        {"XDG_DESKTOP_DIR_OLD=\"$HOME/Schreibtisch\"\n", "@/home/Desktop"},
        {"# XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n", "@/home/Desktop"},
    };
    TemporaryFolder temp;
    const auto inTemp = [&](std::string text) {
        for (auto at = text.find('@'); at != std::string::npos; at = text.find('@', at))
            text.replace(at, 1, temp.path().string());
        return text;
    };
    const std::string home = temp / "home";
    for (const char* folder : {"/.config", "/Desktop", "/Schreibtisch"})
        fs::create_directories(home + folder);
    fs::create_directories(temp / "Work \"Desk\"");
    ScopedEnvironment homeVariable{"HOME", home};
    ScopedEnvironment configVariable{"XDG_CONFIG_HOME", std::nullopt};
    for (const Case& c : cases) {
        fs::remove(home + "/.config/user-dirs.dirs");
        if (c.userDirs) writeFile(home + "/.config/user-dirs.dirs", inTemp(c.userDirs));
        EXPECT_EQ(PosixShell{}.desktopFolder(), inTemp(c.expected))
            << (c.userDirs ? c.userDirs : "(no file)");
    }

    fs::remove(home + "/Desktop");
    fs::remove(home + "/.config/user-dirs.dirs");
    EXPECT_EQ(PosixShell{}.desktopFolder(), home) << "no Desktop folder at all";

    // The file is read from XDG_CONFIG_HOME when that is absolute.
    fs::create_directories(temp / "config");
    writeFile(temp / "config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
    {
        ScopedEnvironment absolute{"XDG_CONFIG_HOME", temp / "config"};
        EXPECT_EQ(PosixShell{}.desktopFolder(), home + "/Schreibtisch");
    }
    ScopedEnvironment relative{"XDG_CONFIG_HOME", "config"};
    EXPECT_EQ(PosixShell{}.desktopFolder(), home);

    // Without HOME only an absolute configured folder counts.
    ScopedEnvironment noHome{"HOME", std::nullopt};
    EXPECT_EQ(PosixShell{}.desktopFolder(), "");
    ScopedEnvironment absolute{"XDG_CONFIG_HOME", temp / "config"};
    EXPECT_EQ(PosixShell{}.desktopFolder(), "");
    writeFile(temp / "config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"" + temp.path().string() + "/home\"\n");
    EXPECT_EQ(PosixShell{}.desktopFolder(), home);
}

// xdg-open replaced by a script that records its arguments and surroundings, then finishes a while later.
class WebPageOpener : public ::testing::Test {
  protected:
    TemporaryFolder temp;
    ScopedEnvironment path{"PATH", temp / "bin" + ":/usr/bin:/bin"};

    void SetUp() override {
        fs::create_directories(temp / "bin");
        writeFile(temp / "bin/xdg-open",
                  "#!/bin/sh\n"
                  "out=\"$(dirname \"$0\")/..\"\n"
                  "streams=\"$(readlink /proc/$$/fd/0 /proc/$$/fd/1 /proc/$$/fd/2)\"\n"
                  "printf '%s' \"$streams\" > \"$out/streams\"\n"
                  "cut -d' ' -f6 /proc/$$/stat > \"$out/session\"\n"
                  "printf '%s' \"$#:$1\" > \"$out/arguments.tmp\"\n"
                  "mv \"$out/arguments.tmp\" \"$out/arguments\"\n"
                  "sleep 1\n"
                  "touch \"$out/finished\" 2>/dev/null\n");
        fs::permissions(temp / "bin/xdg-open", fs::perms::owner_all);
    }
};

TEST_F(WebPageOpener, HandsTheAddressOverUntouchedWithoutWaiting) {
    const std::string address = "https://example.com/a b?q=\"x\"&r='y';$(touch pwned)`id`|*\n";
    PosixShell{}.openWebPage(address);
    EXPECT_FALSE(fs::exists(temp / "finished")) << "waited for the opener to finish";
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1) << "a child is left for us to reap";
    EXPECT_EQ(errno, ECHILD);

    for (int i = 0; i < 500 && !fs::exists(temp / "arguments"); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(readFile(temp / "arguments"), "1:" + address);
    EXPECT_FALSE(fs::exists(temp / "pwned") || fs::exists("pwned"));
    EXPECT_EQ(readFile(temp / "streams"), "/dev/null\n/dev/null\n/dev/null");
    EXPECT_NE(std::stol(readFile(temp / "session")), ::getsid(0)) << "still in our session";
}

TEST_F(WebPageOpener, RaisesFailureWhenNoOpenerCanBeStarted) {
    ScopedEnvironment noOpener{"PATH", temp.path().string()};
    try {
        PosixShell{}.openWebPage("https://example.com/");
        FAIL() << "no failure without xdg-open";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.description(), std::string{"Cannot start xdg-open to open https://example.com/: "} +
                                             std::strerror(ENOENT));
    }
    EXPECT_THROW(PosixShell{}.openWebPage(std::string{"https://a\0b", 11}), Failure);
}

TEST_F(WebPageOpener, ExplorerOnACommandLineIsTheDesktopsOpener) {
    PosixShell{}.runCommand("explorer \"https://www.drevmark.com/a b\"", 2);
    for (int i = 0; i < 500 && !fs::exists(temp / "arguments"); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(readFile(temp / "arguments"), "1:https://www.drevmark.com/a b");
    EXPECT_THROW(PosixShell{}.runCommand("  ", 2), Failure);
}

TEST(CommandLine, SplitsAtBlanksOutsideQuotes) {
    EXPECT_EQ(platform::posix::splitCommandLine("explorer \"https://x/a b\""),
              (std::vector<std::string>{"explorer", "https://x/a b"}));
    EXPECT_EQ(platform::posix::splitCommandLine("  a\tb  \"\" c\"d e\"f "),
              (std::vector<std::string>{"a", "b", "", "cd ef"}));
    EXPECT_TRUE(platform::posix::splitCommandLine("").empty());
}

}  // namespace
