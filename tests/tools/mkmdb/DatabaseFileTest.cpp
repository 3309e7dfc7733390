// Writing the file: in one step, never over a file unless asked, and through the command line.

#include <gtest/gtest.h>

#include "DatabaseFile.h"
#include "MdbReader.h"
#include "RunProgram.h"
#include "tests/support/TestSupport.h"

namespace mkmdb {
namespace {

using test_support::namesIn;
using test_support::readFile;
using test_support::TemporaryFolder;
using test_support::writeFile;

Database oneReport(const std::string& name) {
    return Database{{}, {name}, "", {}, {}};
}

TEST(DatabaseFile, AnExistingFileIsReplacedOnlyWhenAsked) {
    TemporaryFolder folder;
    const auto path = folder / "out.mdb";
    writeFile(path, "someone else's file");

    try {
        writeDatabaseFile(oneReport("First"), path, Overwrite::Refuse);
        ADD_FAILURE() << "an existing file was overwritten";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("exists already"), std::string::npos) << error.what();
    }
    EXPECT_EQ(readFile(path), "someone else's file");
    EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"out.mdb"}) << "nothing left behind";

    writeDatabaseFile(oneReport("Second"), path, Overwrite::Replace);
    EXPECT_EQ(testing::reportNames(testing::readCatalog(path)), std::vector<std::string>{"Second"});
    EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"out.mdb"});
}

TEST(DatabaseFile, AFailedWriteLeavesTheEarlierFileAndNoDebris) {
    TemporaryFolder folder;
    const auto path = folder / "out.mdb";
    writeDatabaseFile(oneReport("Kept"), path, Overwrite::Refuse);
    const auto before = readFile(path);

    EXPECT_THROW(writeDatabaseFile(oneReport(std::string(65, 'x')), path, Overwrite::Replace), Error);
    EXPECT_EQ(readFile(path), before);
    EXPECT_THROW(writeDatabaseFile(oneReport("x"), folder / "missing/out.mdb", Overwrite::Replace), Error);
    EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"out.mdb"});
}

testing::ProgramResult runMkmdb(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), MKMDB_EXECUTABLE);
    return testing::runProgram(arguments);
}

TEST(DatabaseFile, CommandLine) {
    TemporaryFolder folder;
    const auto description = folder / "db.txt";
    const auto output = folder / "db.mdb";
    writeFile(description, "report \"Customer List\"\n");

    EXPECT_EQ(runMkmdb({description, output}).exitCode, 0);
    EXPECT_EQ(testing::reportNames(testing::readCatalog(output)), std::vector<std::string>{"Customer List"});

    writeFile(description, "report \"Sales by Month\"\n");
    const auto refused = runMkmdb({description, output});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.errors.find("exists already"), std::string::npos) << refused.errors;
    EXPECT_EQ(testing::reportNames(testing::readCatalog(output)), std::vector<std::string>{"Customer List"});
    EXPECT_EQ(runMkmdb({"--force", description, output}).exitCode, 0);
    EXPECT_EQ(testing::reportNames(testing::readCatalog(output)), std::vector<std::string>{"Sales by Month"});

    const auto sameFile = runMkmdb({"--force", description, description});
    EXPECT_EQ(sameFile.exitCode, 1);
    EXPECT_EQ(readFile(description), "report \"Sales by Month\"\n");

    writeFile(description, "report \"ok\"\nreport oops\n");
    const auto faulty = runMkmdb({"--force", description, output});
    EXPECT_EQ(faulty.exitCode, 1);
    EXPECT_NE(faulty.errors.find("db.txt:2: expected the report's name in double quotes"), std::string::npos)
        << faulty.errors;
    EXPECT_EQ(runMkmdb({description}).exitCode, 2);
}

}  // namespace
}  // namespace mkmdb
