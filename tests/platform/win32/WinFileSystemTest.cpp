#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/Failure.h"
#include "platform/win32/WideText.h"
#include "platform/win32/WinFileSystem.h"
#include "tests/platform/win32/TemporaryFolder.h"

namespace {

using platform::PathKind;
using platform::win32::toWide;
using platform::win32::WinFileSystem;

std::size_t entriesIn(const std::string& folder) {
    const std::filesystem::directory_iterator entries(toWide(folder));
    return static_cast<std::size_t>(std::distance(begin(entries), end(entries)));
}

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

// The probe file goes again at once, so that a checked folder holds only what it held.
TEST(WinFileSystem, TellsWhyAFolderCannotTakeTheFiles) {
    test_support::TemporaryFolder temp;
    temp.createFile("report.mdb");
    temp.createFolder("Αρχείο");
    const struct {
        std::string folder;
        bool fine, missing;
        std::string reasonHolds;
    } cases[] = {
        {temp / "Αρχείο", true, false, ""},
        {"", false, true, ""},
        {temp / "missing\\below", false, true, "does not exist"},
        {temp / "report.mdb", false, false, "a file, not a folder"},
        {"C:Reports", false, false, "not a full path"},
    };
    WinFileSystem files;
    for (const auto& c : cases) {
        const auto problem = files.outputFolderProblem(c.folder);
        ASSERT_EQ(!problem, c.fine) << c.folder;
        if (!problem) continue;
        EXPECT_EQ(problem->missing, c.missing) << c.folder;
        EXPECT_NE(problem->reason.find(c.reasonHolds), std::string::npos) << problem->reason;
    }
    EXPECT_EQ(entriesIn(temp / "Αρχείο"), 0u) << "a probe file was left behind";
}

TEST(WinFileSystem, CreatesAFolderWithItsParents) {
    test_support::TemporaryFolder temp;
    temp.createFile("report.mdb");
    WinFileSystem files;
    const std::string deep = temp / "new\\deeper\\Αρχείο";
    files.createFolder(deep);
    files.createFolder(deep + "\\");  // there already: nothing to do
    EXPECT_EQ(files.examine(deep), PathKind::Folder);
    EXPECT_THROW(files.createFolder(temp / "report.mdb\\below"), platform::Failure);
}

TEST(WinFileSystem, WritesATextFileWholeOverAnOldOne) {
    test_support::TemporaryFolder temp;
    WinFileSystem files;
    const std::string path = temp / "Calvenor results – Ωμέγα.txt";
    files.writeTextFile(path, "a longer first text\n");
    files.writeTextFile(path, "second\n");
    std::ifstream file(std::filesystem::path(toWide(path)), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), "second\n");
    EXPECT_EQ(entriesIn(temp.path()), 1u) << "the temporary file was left behind";
    EXPECT_THROW(files.writeTextFile(temp / "missing\\results.txt", "text"), platform::Failure);
}

}  // namespace
