// "Next >" of the real pages' handlers on the Linux engine, with real database files: those Access
// made (shared test data) and those our own writer makes.
#include <gtest/gtest.h>

#include "DatabaseFile.h"
#include "Fixtures.h"
#include "pages/Form2.h"
#include "tests/catalogue/EngineProgram.h"
#include "tests/support/TestSupport.h"

namespace calvenor {
namespace {

using engine_tests::EngineProgram;

constexpr char kNextAt100[] = "\r\nin Ostrevan2021/08/31.Form1.PushButton3_Click at line 100";

TEST(NextOnTheEngine, ListsTheReportsOfAFileAccessMadeInAccessOrder) {
    const auto file = test_support::testDataFile("asample.accdb");
    if (!std::filesystem::exists(file)) GTEST_SKIP() << "no shared test data";
    EngineProgram p;
    EXPECT_EQ(p.next(file.string(), ""),
              (std::vector<std::string>{"[x] rptAssetListingInNumberOrder", "[x] rptAssetsGroupedByOwners",
                                        "[x] rptGSTPaidByMonth"}));
    EXPECT_TRUE(p.ui.messages.empty());
}

TEST(NextOnTheEngine, AWrongPasswordIsTheProvidersAndAMissingFileIsNothing) {
    const auto file = test_support::testDataFile("jet4-v2000-password.mdb");
    if (!std::filesystem::exists(file)) GTEST_SKIP() << "no shared test data";
    EngineProgram p;
    EXPECT_EQ(p.next(file.string(), "Password"), std::nullopt);
    EXPECT_EQ(p.reports(), std::vector<std::string>{std::string{"Not a valid password."} + kNextAt100});
    EXPECT_EQ(p.next(file.string(), "password"), std::vector<std::string>{}) << "a file without reports";

    EngineProgram missing;
    EXPECT_EQ(missing.next("/nonexistent/folder/x.mdb", "wrong"), std::nullopt);
    EXPECT_TRUE(missing.reports().empty());
}

TEST(NextOnTheEngine, PasswordsWithSeparatorsQuotesAndBlanksOpenTheirDatabaseAndOnlyIt) {
    test_support::TemporaryFolder folder;
    struct Case {
        std::string password, wrong;
    };
    const Case cases[] = {{"a;b\"c", "a"},
                          {"password ", "password"},
                          {" password", "password"},
                          {"x;Provider=y", "x"},
                          {"it's", "it"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.password);
        mkmdb::Database database;
        database.password = c.password;
        database.reports = {"Only Report"};
        const std::string path = folder / "protected.mdb";
        mkmdb::writeDatabaseFile(database, path, mkmdb::Overwrite::Replace);
        EngineProgram p;
        EXPECT_EQ(p.next(path, c.password), std::vector<std::string>{"[x] Only Report"});
        EXPECT_TRUE(p.reports().empty());
        EngineProgram wrong;
        EXPECT_EQ(wrong.next(path, c.wrong), std::nullopt);
        EXPECT_EQ(wrong.reports(),
                  std::vector<std::string>{std::string{"Not a valid password."} + kNextAt100});
    }
}

TEST(NextOnTheEngine, ListsTenThousandReportsAllChecked) {
    test_support::TemporaryFolder folder;
    const std::string path = folder / "large.mdb";
    mkmdb::writeDatabaseFile(mkmdb::fixtures::largeDatabase(10000, 10), path, mkmdb::Overwrite::Refuse);
    EngineProgram p;
    const auto listed = p.next(path, "");
    ASSERT_TRUE(listed.has_value());
    ASSERT_EQ(listed->size(), 10000u);
    EXPECT_EQ(listed->front(), "[x] Report 00001");
    EXPECT_EQ(listed->back(), "[x] Report 10000");
    EXPECT_TRUE(p.reports().empty());
}

}  // namespace
}  // namespace calvenor
