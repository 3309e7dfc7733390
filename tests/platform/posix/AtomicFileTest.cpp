#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/posix/AtomicFile.h"
#include "tests/support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using platform::Failure;
using platform::posix::FileAccess;
using platform::posix::FileExists;
using platform::posix::Overwrite;
using platform::posix::writeFileAtomically;
using test_support::namesIn;
using test_support::readFile;
using test_support::TemporaryFolder;
using test_support::writeFile;

mode_t modeOf(const std::string& path) {
    struct stat status {};
    EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
    return status.st_mode & 07777;
}

TEST(AtomicFile, ANewFileHasTheContentAndTheModeItsAccessAsksFor) {
    TemporaryFolder folder;
    std::string content(3 * 1024 * 1024 + 7, '\0');
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7 % 251);
    for (const mode_t mask : {mode_t{0}, mode_t{022}, mode_t{077}, mode_t{0277}}) {
        const mode_t old = ::umask(mask);
        writeFileAtomically(folder / "private", content, FileAccess::Private, Overwrite::Replace);
        writeFileAtomically(folder / "ordinary", "x", FileAccess::Ordinary, Overwrite::Replace);
        ::umask(old);
        EXPECT_EQ(modeOf(folder / "private"), 0600u) << "umask " << std::oct << mask;
        EXPECT_EQ(modeOf(folder / "ordinary"), 0666u & ~mask) << "umask " << std::oct << mask;
        fs::remove(folder / "ordinary");  // a replaced file takes the mode of the new one
    }
    EXPECT_EQ(readFile(folder / "private"), content);
    EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"private"});
}

TEST(AtomicFile, AFailedWriteLeavesNoTemporaryFileAndTheOldContents) {
    TemporaryFolder folder;
    const std::string blocked = folder / "a folder.pdf";
    fs::create_directory(blocked);
    writeFile(folder / "a folder.pdf/inside", "x");
    EXPECT_THROW(writeFileAtomically(blocked, "%PDF-new", FileAccess::Ordinary, Overwrite::Replace), Failure);
    EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"a folder.pdf"});
    EXPECT_EQ(readFile(folder / "a folder.pdf/inside"), "x");
    EXPECT_THROW(
        writeFileAtomically(folder / "no/such/folder.pdf", "x", FileAccess::Ordinary, Overwrite::Replace),
        Failure);
}

TEST(AtomicFile, LinksAreNeverWrittenThrough) {
    TemporaryFolder folder;
    writeFile(folder / "elsewhere", "keep me");
    ASSERT_EQ(::symlink((folder / "elsewhere").c_str(), (folder / "linked").c_str()), 0);
    ASSERT_EQ(::symlink((folder / "gone").c_str(), (folder / "dangling").c_str()), 0);
    writeFile(folder / "existing", "someone else's");

    // Refused: whatever has the name stays, a dangling link too.
    for (const char* name : {"existing", "linked", "dangling"}) {
        EXPECT_THROW(writeFileAtomically(folder / name, "new", FileAccess::Ordinary, Overwrite::Refuse),
                     FileExists)
            << name;
    }
    EXPECT_EQ(readFile(folder / "existing"), "someone else's");
    EXPECT_FALSE(fs::exists(folder / "gone"));
    writeFileAtomically(folder / "fresh", "new", FileAccess::Ordinary, Overwrite::Refuse);
    EXPECT_EQ(readFile(folder / "fresh"), "new");

    // Replaced: the link itself gives way to the file; what it pointed at is untouched.
    writeFileAtomically(folder / "linked", "new", FileAccess::Private, Overwrite::Replace);
    EXPECT_FALSE(fs::is_symlink(folder / "linked"));
    EXPECT_EQ(readFile(folder / "linked"), "new");
    EXPECT_EQ(readFile(folder / "elsewhere"), "keep me");
    EXPECT_EQ(namesIn(folder.path()),
              (std::vector<std::string>{"dangling", "elsewhere", "existing", "fresh", "linked"}));
}

TEST(AtomicFile, OnlyTheFilesOwnAbandonedTemporaryFilesAreRemoved) {
    TemporaryFolder folder;
    writeFile(folder / "values.tmp-Ab12Cd", "half");
    writeFile(folder / "other.tmp-Ab12Cd", "another file's");
    writeFile(folder / "target", "x");
    ASSERT_EQ(::symlink((folder / "target").c_str(), (folder / "values.tmp-link").c_str()), 0);
    platform::posix::removeAbandonedTempFiles(folder / "values");
    EXPECT_EQ(namesIn(folder.path()),
              (std::vector<std::string>{"other.tmp-Ab12Cd", "target", "values.tmp-link"}));
    EXPECT_EQ(readFile(folder / "target"), "x");
}

}  // namespace
