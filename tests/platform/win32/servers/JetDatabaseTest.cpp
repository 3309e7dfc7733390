// The stand-ins serve a real Access file as Access would: with the password, tables and reports the
// file holds. Checked on files Access made, where the shared test data is at hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/win32/WideText.h"
#include "tests/platform/win32/servers/DatabaseDescription.h"

namespace {

using calvenor::stand_in::DescriptionProblem;
using calvenor::stand_in::readDescription;
using platform::win32::toUtf8;

const std::filesystem::path kTestData = std::filesystem::path(CALVENOR_TESTDATA).make_preferred();

struct RealFile {
    const wchar_t* name;
    std::wstring password;
    std::vector<std::wstring> reports;  // by name, letter case ignored, as Access lists them
    std::vector<std::wstring> userTables;
};

std::vector<std::wstring> userTablesOf(const calvenor::stand_in::DatabaseDescription& description) {
    std::vector<std::wstring> names;
    for (const auto& table : description.tables)
        if (table.type == L"TABLE") names.push_back(table.name);
    std::sort(names.begin(), names.end());
    return names;
}

TEST(StandInDatabases, ARealFileGivesItsPasswordTablesAndReports) {
    if (!std::filesystem::is_directory(kTestData)) GTEST_SKIP() << "no shared test data";
    const RealFile files[] = {
        {L"asample.accdb",
         L"",
         {L"rptAssetListingInNumberOrder", L"rptAssetsGroupedByOwners", L"rptGSTPaidByMonth"},
         {L"Asset Items"}},
        {L"northwind-jet4.mdb",
         L"",
         {L"Alphabetical List of Products", L"Catalog", L"Catalog Subreport", L"Customer Labels",
          L"Employee Sales by Country", L"Invoice", L"Products by Category", L"Sales by Category",
          L"Sales by Category Subreport", L"Sales by Year", L"Sales by Year Subreport",
          L"Sales Totals by Amount", L"Summary of Sales by Quarter", L"Summary of Sales by Year"},
         {L"Categories", L"Customers", L"Employees", L"Order Details", L"Orders", L"Paste Errors",
          L"Products", L"Shippers", L"Suppliers"}},
        {L"jet4-v2003-password.mdb", L"password", {}, {L"Table1"}},
        {L"datetest-jet4.mdb", L"", {}, {L"DateTest"}},
    };
    for (const auto& file : files) {
        const auto read = readDescription(kTestData / file.name);
        ASSERT_TRUE(read.description) << toUtf8(file.name);
        EXPECT_EQ(read.description->password, file.password) << toUtf8(file.name);
        EXPECT_EQ(read.description->reports, file.reports) << toUtf8(file.name);
        EXPECT_EQ(userTablesOf(*read.description), file.userTables) << toUtf8(file.name);
    }
}

// Jet 3 and encrypted files are beyond what the stand-ins read: they answer as for a file of an unknown
// format rather than with a catalogue they cannot have read.
TEST(StandInDatabases, AFileTheStandInsCannotReadIsOfAnUnknownFormat) {
    if (!std::filesystem::is_directory(kTestData)) GTEST_SKIP() << "no shared test data";
    for (const wchar_t* name : {L"jet3-v1997.mdb", L"ace-agile-encrypted.accdb"}) {
        const auto read = readDescription(kTestData / name);
        EXPECT_FALSE(read.description) << toUtf8(name);
        EXPECT_EQ(read.problem, DescriptionProblem::NotADatabase) << toUtf8(name);
    }
}

}  // namespace
