#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>

#include "platform/win32/WinFileSystem.h"
#include "tests/platform/win32/TemporaryFolder.h"

namespace {

using platform::PathKind;
using platform::win32::WinFileSystem;

TEST(WinFileSystem, ExaminesWhatAPathNames) {
    test_support::TemporaryFolder temp;
    const struct {
        std::string name;
        std::optional<PathKind> kind;
    } cases[] = {
        {"report.mdb", PathKind::File}, {"Πωλήσεις.mdb", PathKind::File}, {"年度売上.pdf", PathKind::File},
        {"Αρχείο", PathKind::Folder},   {"フォルダー", PathKind::Folder},
    };
    for (const auto& c : cases) {
        if (c.kind == PathKind::File) temp.createFile(c.name);
        if (c.kind == PathKind::Folder) temp.createFolder(c.name);
    }
    WinFileSystem files;
    for (const auto& c : cases) EXPECT_EQ(files.examine(temp / c.name), c.kind) << c.name;

    const std::string folder = temp.path();
    const struct {
        std::string path;
        std::optional<PathKind> kind;
    } paths[] = {
        {folder, PathKind::Folder},
        {folder + "\\", PathKind::Folder},
        {"C:\\", PathKind::Folder},
        {"", std::nullopt},
        {temp / "missing.mdb", std::nullopt},
        {temp / "report.mdb\\inside", std::nullopt},
        {temp / "bad\xFFname", std::nullopt},
        {temp / "a?b", std::nullopt},
        // Without the NUL check this would examine the folder in front of it.
        {folder + std::string{"\0\\report.mdb", 12}, std::nullopt},
    };
    for (const auto& p : paths) EXPECT_EQ(files.examine(p.path), p.kind) << testing::PrintToString(p.path);

    EXPECT_EQ(files.pathSeparator(), '\\');
    EXPECT_EQ(files.fileNameRules(), platform::FileNameRules::Windows);
}

}  // namespace
