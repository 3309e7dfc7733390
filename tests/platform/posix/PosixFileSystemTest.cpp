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

}  // namespace
