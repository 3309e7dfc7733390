#include <gtest/gtest.h>

#include "catalogue/Access1.h"
#include "platform/Failure.h"
#include "tests/fakes/FakeDatabase.h"
#include "tests/fakes/FakeFileSystem.h"
#include "tests/fakes/FakeUi.h"

namespace calvenor {
namespace {

using platform::ControlKind;

const platform::ControlLayout kBox{"Text", ControlKind::TextBox, "", {}, 0, {}, 0};

std::string connectionString(std::string_view path, std::string_view password) {
    fakes::FakeTextBox pathBox{kBox}, passwordBox{kBox};
    pathBox.setText(path);
    passwordBox.setText(password);
    return BuildConnectionString({pathBox, passwordBox});
}

TEST(BuildConnectionString, ChoosesTheProviderByTheLastFiveCharactersAndQuotesOnlyWhatNeedsIt) {
    struct Case {
        const char* path;
        const char* password;
        const char* expected;
    };
    const Case cases[] = {
        {"C:\\Data\\Sales.accdb", "",
         "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=C:\\Data\\Sales.accdb;JET OLEDB:Database Password="},
        {"D:\\x\\Inventory.ACCDB", "pw",
         "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=D:\\x\\Inventory.ACCDB;JET OLEDB:Database "
         "Password=pw"},
        {"D:\\x\\Inventory.mdb", "",
         "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=D:\\x\\Inventory.mdb;JET OLEDB:Database Password="},
        {"salesaccdb", "",
         "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=salesaccdb;JET OLEDB:Database Password="},
        {"S.accde", "", "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=S.accde;JET OLEDB:Database Password="},
        {"ACCDB", "", "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=ACCDB;JET OLEDB:Database Password="},
        {"cdb", "", "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=cdb;JET OLEDB:Database Password="},
        {"/d/Ä.accdb", "",
         "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=/d/Ä.accdb;JET OLEDB:Database Password="},
        {"/d/a b.mdb", "p w!",
         "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=/d/a b.mdb;JET OLEDB:Database Password=p w!"},
        // Values that would cut the string, or lose their blanks, are quoted; quotes inside doubled.
        {"/d/x.mdb", "a;b\"c",
         "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=/d/x.mdb;JET OLEDB:Database Password=\"a;b\"\"c\""},
        {"/d/x.mdb", "password ",
         "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=/d/x.mdb;JET OLEDB:Database Password=\"password \""},
        {"/d/x.mdb", " pw",
         "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=/d/x.mdb;JET OLEDB:Database Password=\" pw\""},
        {"/d/x.mdb", "it's",
         "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=/d/x.mdb;JET OLEDB:Database Password=\"it's\""},
        {"/d/a;Provider=x.accdb", "",
         "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=\"/d/a;Provider=x.accdb\";JET OLEDB:Database "
         "Password="},
    };
    for (const auto& c : cases) EXPECT_EQ(connectionString(c.path, c.password), c.expected) << c.path;
}

class GetTableNamesTest : public ::testing::Test {
  protected:
    std::optional<std::vector<std::string>> tables(std::string_view path) {
        pathBox.setText(path);
        return GetTableNames(ado, files, path, {pathBox, passwordBox});
    }
    fakes::FakeAdo ado;
    fakes::FakeFileSystem files;
    fakes::FakeTextBox pathBox{kBox}, passwordBox{kBox};
};

TEST_F(GetTableNamesTest, AMissingFileGivesNoListAndCreatesNothing) {
    ado.openFailure = "Not a valid password.";
    EXPECT_EQ(tables("C:\\nowhere.mdb"), std::nullopt);
    EXPECT_TRUE(ado.calls.empty());
}

TEST_F(GetTableNamesTest, ListsOnlyUserTablesInTheProvidersOrderAndClosesBoth) {
    files.addFile("C:\\db.mdb");
    passwordBox.setText("pw");
    ado.catalogue = {
        {"ACCESS TABLE", "MSysAccessStorage"}, {"TABLE", "Orders"}, {"VIEW", "q"},     {"TABLE", "Customers"},
        {"SYSTEM TABLE", "MSysObjects"},       {"LINK", "Remote"},  {"table", "lower"}};
    EXPECT_EQ(tables("C:\\db.mdb"), (std::vector<std::string>{"Orders", "Customers"}));
    EXPECT_EQ(ado.opened,
              std::vector<std::string>{
                  "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\db.mdb;JET OLEDB:Database Password=pw"});
    EXPECT_EQ(ado.calls, (std::vector<std::string>{"create", "open", "schema 20", "recordset close", "close",
                                                   "release"}));
}

TEST_F(GetTableNamesTest, AnOpenFailureLeavesWithTheProvidersDescriptionAndReleasesWithoutClosing) {
    files.addFile("C:\\db.accdb");
    ado.openFailure = "Not a valid password.";
    try {
        tables("C:\\db.accdb");
        FAIL() << "the failure must reach the caller";
    } catch (const platform::Failure& failure) {
        EXPECT_EQ(failure.description(), "Not a valid password.");
    }
    EXPECT_EQ(ado.calls, (std::vector<std::string>{"create", "open", "release"}));
}

}  // namespace
}  // namespace calvenor
