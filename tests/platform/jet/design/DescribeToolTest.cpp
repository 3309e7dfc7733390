#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace {

struct ToolRun {
    int exitCode;
    std::string output;  // stdout and stderr
};

ToolRun describe(const std::string& report, const std::string& database, const std::string& password = "",
                 const std::string& option = "") {
    const std::string command = "CALVENOR_PASSWORD='" + password + "' '" + CALVENOR_HELPER_DIR +
                                "/calvenor-describe' " + option + " '" + report + "' '" + database + "' 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    ToolRun run{-1, {}};
    if (!pipe) return run;
    for (int c; (c = std::fgetc(pipe)) != EOF;) run.output += static_cast<char>(c);
    const int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// A copy of the file with the bytes at the first place the pattern occurs overwritten.
std::string damagedCopy(const test_support::TemporaryFolder& folder, const std::string& original,
                        const std::string& pattern, const std::string& replacement) {
    std::ifstream in(original, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    const auto at = bytes.find(pattern);
    if (at == std::string::npos) return {};
    bytes.replace(at, replacement.size(), replacement);
    const std::string copy = folder / "damaged.mdb";
    std::ofstream(copy, std::ios::binary) << bytes;
    return copy;
}

TEST(DescribeTool, PrintsADesignAndItsRows) {
    const std::string file = test_support::testDataFile("asample.accdb").string();
    if (!std::filesystem::exists(file)) GTEST_SKIP() << "no asample.accdb";
    const ToolRun run = describe("rptgstpaidbymonth", file);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("record source \"qryGSTCalculations\""), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("rows 65 of qryGSTCalculations"), std::string::npos) << run.output;
}

TEST(DescribeTool, SaysSoWhenADatabaseHasNoReports) {
    // A Jet 3 file, and a file encrypted as a whole (read through its decrypted copy).
    for (const auto& [name, password] :
         {std::pair{"jet3-v1997.mdb", ""}, {"ace-agile-encrypted.accdb", "password"}}) {
        const std::string file = test_support::testDataFile(name).string();
        if (!std::filesystem::exists(file)) GTEST_SKIP() << "no " << name;
        const ToolRun run = describe("--all", file, password);
        EXPECT_EQ(run.exitCode, 0) << name << ": " << run.output;
        EXPECT_EQ(run.output, "The database has no reports.\n") << name;
    }
}

TEST(DescribeTool, RefusesWhatItCannotDescribeWithAMessage) {
    const std::string northwind = test_support::testDataFile("northwind-jet4.mdb").string();
    if (!std::filesystem::exists(northwind)) GTEST_SKIP() << "no northwind-jet4.mdb";
    test_support::TemporaryFolder folder;
    const std::string notDatabase = folder / "text.mdb";
    std::ofstream(notDatabase) << std::string(8192, 'x');
    // The compound file holding the designs, its signature broken.
    const std::string brokenDesigns =
        damagedCopy(folder, northwind, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", std::string(8, '\0'));
    ASSERT_FALSE(brokenDesigns.empty());
    struct Case {
        std::string report, file, message;
    };
    const Case cases[] = {
        {"No Such Report", northwind, "no report named No Such Report"},
        {"Catalog", notDatabase, "Unrecognized database format"},
        {"Catalog", folder / "missing.mdb", "missing.mdb"},
        {"Catalog", brokenDesigns, "compound file cannot be read"},
        {"--rows", northwind, "usage"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.report + " in " + c.file);
        const ToolRun run = describe(c.report, c.file);
        EXPECT_NE(run.exitCode, 0);
        EXPECT_NE(run.output.find(c.message), std::string::npos) << run.output;
    }
}

// What code a report runs, read against the modules' sources and the designs' event properties.
TEST(DescribeTool, ShowsTheCodeAReportRunsAndTheModulesSources) {
    struct Case {
        const char* file;
        const char* option;
        const char* report;
        const char* line;
    };
    const Case cases[] = {
        {"reports/insideout-ch8-reports-jet4.mdb", "", "rptGroupBySpecialTurnoverRanges",
         "calls modRPT_GetTORange (modRpt, line 18) from group 0, TextBox \"Field29\"\n"},
        {"northwind-jet4.mdb", "", "Sales by Year",
         "event GroupFooter1.OnRetreat: runs GroupFooter1_Retreat (Report_Sales by Year, line 39)\n"},
        {"northwind-jet4.mdb", "", "Sales Totals by Amount",
         "event Detail.OnFormat: runs the macro \"Sales Totals by Amount.Show Break\"\n"},
        // A property naming a procedure the module lacks; a function reached through the record source's
        // query.
        {"reports/access-examples-vba-ace12.accdb", "", "803_Object_Calendar_List_rpt",
         "event secDetail.OnPrint: [Event Procedure], but the report's module has no secDetail_Print"},
        {"reports/access-examples-vba-ace12.accdb", "", "803_Object_Calendar_List_rpt",
         "calls StartOfWeek (modDate, line 342) from the record source\n"},
        {"reports/esis-jet3.mdb", "", "Order Products",
         "event Report.OnOpen: runs Report_Open (Report_Order Products, line 11)\n"},
        {"reports/insideout-ch8-reports-jet4.mdb", "--module", "modrpt",
         "\nPublic Function modRPT_GetTORange(ByVal varTurnover As Variant _\n"},
        {"reports/insideout-ch8-reports-jet4.mdb", "", "--modules",
         "module \"modRpt\"\nstandard module, 2578 bytes, 3 procedures: modRPT_GetTORange, "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + c.report);
        const std::string file = test_support::testDataFile(c.file).string();
        if (!std::filesystem::exists(file)) continue;
        const ToolRun run = describe(c.report, file, "", c.option);
        EXPECT_EQ(run.exitCode, 0) << run.output;
        EXPECT_NE(run.output.find(c.line), std::string::npos) << run.output;
    }
}

}  // namespace
