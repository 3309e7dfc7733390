#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/posix/PosixFileSystem.h"
#include "tests/support/TestSupport.h"

namespace {

using platform::PathKind;
using platform::posix::PosixFileSystem;

TEST(PosixFileSystem, ExaminesWhatAPathNames) {
    test_support::TemporaryFolder temp;
    test_support::writeFile(temp / "report.mdb", "x");
    ASSERT_EQ(::symlink(temp.path().c_str(), (temp / "link-to-folder").c_str()), 0);
    ASSERT_EQ(::symlink((temp / "gone").c_str(), (temp / "dangling").c_str()), 0);
    PosixFileSystem files;

    EXPECT_EQ(files.examine(temp / "report.mdb"), PathKind::File);
    EXPECT_EQ(files.examine(temp.path().string()), PathKind::Folder);
    EXPECT_EQ(files.examine(temp.path().string() + "/"), PathKind::Folder);
    EXPECT_EQ(files.examine(temp / "link-to-folder"), PathKind::Folder);
    EXPECT_EQ(files.examine("/dev/null"), PathKind::File);

    EXPECT_EQ(files.examine(""), std::nullopt);
    EXPECT_EQ(files.examine(temp / "missing.mdb"), std::nullopt);
    EXPECT_EQ(files.examine(temp / "dangling"), std::nullopt);
    EXPECT_EQ(files.examine(temp / "report.mdb/inside"), std::nullopt);
    // Without the NUL check this would examine the folder in front of it.
    EXPECT_EQ(files.examine(temp.path().string() + std::string{"\0/report.mdb", 12}), std::nullopt);
    EXPECT_EQ(files.examine(std::string(5000, 'a')), std::nullopt);

    EXPECT_EQ(files.pathSeparator(), '/');
}

TEST(PosixFileSystem, AnOutputFolderMustBeAFullPathToAFolderThatTakesAFile) {
    test_support::TemporaryFolder temp;
    test_support::writeFile(temp / "report.pdf", "x");
    struct Case {
        std::string folder;
        bool missing;
        std::string reason;  // a part of it; empty: the folder takes files
    };
    const std::vector<Case> cases{
        {temp.path().string(), false, ""},
        {temp.path().string() + "/", false, ""},
        {"", true, "no folder"},
        {temp / "gone", true, "does not exist"},
        {temp / "report.pdf/inside", true, "does not exist"},
        {"out", false, "not a full path"},
        {temp.path().string() + "/./", false, "\"..\" part"},
        {temp.path().string() + "/../" + temp.path().filename().string(), false, "\"..\" part"},
        {temp / "report.pdf", false, "a file, not a folder"},
        {"/proc", false, "no file can be written there"},  // even root cannot add a file there
    };
    PosixFileSystem files;
    for (const auto& c : cases) {
        const auto problem = files.outputFolderProblem(c.folder);
        ASSERT_EQ(problem.has_value(), !c.reason.empty()) << c.folder;
        if (!problem) continue;
        EXPECT_EQ(problem->missing, c.missing) << c.folder;
        EXPECT_NE(problem->reason.find(c.reason), std::string::npos) << c.folder << ": " << problem->reason;
    }
    EXPECT_EQ(test_support::namesIn(temp.path()), std::vector<std::string>{"report.pdf"}) << "no probe left";
}

}  // namespace
