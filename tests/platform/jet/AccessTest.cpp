#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "TestFiles.h"
#include "platform/Failure.h"
#include "platform/jet/JetAccess.h"
#include "tests/fakes/FakeRegistry.h"
#include "tests/support/NoPrintQueues.h"

using namespace platform;
using jet_tests::failureOf;
using jet_tests::testFile;
using testing::ElementsAre;
using testing::HasSubstr;

namespace {

// A print server with two queues that records what it is sent instead of printing.
class RecordingQueues : public jet::PrintQueues {
  public:
    List list() override { return {{"Office_Laser", "Plotter"}, std::string("Office_Laser")}; }
    void print(const std::string& queue, const std::string& title, std::string_view pdf) override {
        jobs.push_back(queue + " " + title + " " + std::string(pdf.substr(0, 5)));
    }
    std::vector<std::string> jobs;
};

class AccessTest : public testing::Test {
  protected:
    std::unique_ptr<access::Application> start() { return access_.createApplication(); }

    std::vector<std::string> reportsOf(const std::string& file, const std::string& password = "") {
        auto application = start();
        application->openCurrentDatabase(testFile(file), false, password);
        std::vector<std::string> names;
        for (const auto& report : application->allReports()) names.push_back(report->name());
        application->closeCurrentDatabase();
        application->quit(access::QuitOption::SaveAll);
        return names;
    }

    fakes::FakeRegistry registry_;
    test_support::NoPrintQueues queues_;
    jet::JetAccess access_{registry_, queues_, jet_tests::testOptions()};
};

}  // namespace

TEST_F(AccessTest, ListsTheReportsOfEveryTestFileByName) {
    REQUIRE_TEST_FILE("asample.accdb");
    EXPECT_THAT(reportsOf("asample.accdb"),
                ElementsAre("rptAssetListingInNumberOrder", "rptAssetsGroupedByOwners", "rptGSTPaidByMonth"));
    for (const char* file :
         {"ace16-empty.accdb", "datetest-jet4.mdb", "jet3-v1997.mdb", "jet4-v2000-nopassword.mdb"})
        EXPECT_THAT(reportsOf(file), ElementsAre()) << file;
    EXPECT_THAT(reportsOf("jet4-v2000-password.mdb", "password"), ElementsAre());
    // Its catalogue holds rows Access moved to other pages, and rows it deleted.
    EXPECT_THAT(
        reportsOf("northwind-jet4.mdb"),
        ElementsAre("Alphabetical List of Products", "Catalog", "Catalog Subreport", "Customer Labels",
                    "Employee Sales by Country", "Invoice", "Products by Category", "Sales by Category",
                    "Sales by Category Subreport", "Sales by Year", "Sales by Year Subreport",
                    "Sales Totals by Amount", "Summary of Sales by Quarter", "Summary of Sales by Year"));
}

TEST_F(AccessTest, OpeningChecksTheFileAndThePasswordAsTheEngineDoes) {
    REQUIRE_TEST_FILE("jet4-v2003-password.mdb");
    auto openFailure = [&](const std::string& path, const std::string& password) {
        auto application = start();
        return failureOf([&] { application->openCurrentDatabase(path, false, password); });
    };
    EXPECT_EQ(openFailure(testFile("jet4-v2003-password.mdb"), "password"), "");
    EXPECT_EQ(openFailure(testFile("jet4-v2003-password.mdb"), "wrong"), "3031: Not a valid password.");
    EXPECT_EQ(openFailure(testFile("jet4-v2003-password.mdb"), ""), "3031: Not a valid password.");
    EXPECT_EQ(openFailure(testFile("ace-agile-encrypted.accdb"), "password"), "");
    EXPECT_EQ(openFailure(testFile("ace-agile-encrypted.accdb"), "wrong"), "3031: Not a valid password.");
    EXPECT_THAT(openFailure(testFile("no-such-file.accdb"), ""), testing::StartsWith("7866: "));
    EXPECT_THAT(openFailure(jet_tests::testFile("README.md"), ""), HasSubstr("Unrecognized database format"));
}

TEST_F(AccessTest, ReadsTheFileWhosePasswordItChecked) {
    REQUIRE_TEST_FILE("jet4-v2000-password.mdb");
    // "a/link/.." is "real" for the kernel but "a" when the path is shortened by its text alone.
    test_support::TemporaryFolder folder;
    std::filesystem::create_directories(folder.path() / "a");
    std::filesystem::create_directories(folder.path() / "real/sub");
    std::filesystem::copy_file(testFile("jet4-v2000-password.mdb"), folder.path() / "a/db.mdb");
    std::filesystem::copy_file(testFile("asample.accdb"), folder.path() / "real/db.mdb");
    ASSERT_EQ(::symlink("../real/sub", (folder / "a/link").c_str()), 0);

    auto application = start();
    application->openCurrentDatabase(folder / "a/link/../db.mdb", false, "");
    std::vector<std::string> names;
    for (const auto& report : application->allReports()) names.push_back(report->name());
    EXPECT_THAT(names,
                ElementsAre("rptAssetListingInNumberOrder", "rptAssetsGroupedByOwners", "rptGSTPaidByMonth"))
        << "the file without a password, which the kernel reaches";
}

TEST_F(AccessTest, RefusesCallsInTheWrongStateAsAccessDoes) {
    REQUIRE_TEST_FILE("asample.accdb");
    auto application = start();
    EXPECT_THAT(failureOf([&] { application->allReports(); }), testing::StartsWith("2467: "));
    EXPECT_EQ(failureOf([&] {
                  application->openReport("x", access::ReportView::Normal, access::WindowMode::Normal);
              }),
              "2046: The command or action 'OpenReport' isn't available now.");
    EXPECT_THAT(failureOf([&] { application->outputReport("x", access::kFormatPdf, "/tmp/x.pdf"); }),
                testing::StartsWith("2046: "));
    EXPECT_EQ(failureOf([&] { application->closeCurrentDatabase(); }), "") << "closing nothing is allowed";

    application->openCurrentDatabase(testFile("asample.accdb"), false, "");
    EXPECT_EQ(failureOf([&] { application->openCurrentDatabase(testFile("asample.accdb"), false, ""); }),
              "7867: You already have the database open.");
    EXPECT_THAT(failureOf([&] {
                    application->openReport("rptNoSuchReport", access::ReportView::Normal,
                                            access::WindowMode::Normal);
                }),
                testing::AllOf(testing::StartsWith("2103: The report name 'rptNoSuchReport'"),
                               HasSubstr("doesn't exist")));

    application->closeCurrentDatabase();
    EXPECT_THAT(failureOf([&] { application->allReports(); }), testing::StartsWith("2467: "));
    application->openCurrentDatabase(testFile("asample.accdb"), false, "");  // a closed database opens again
    application->quit(access::QuitOption::SaveAll);
    EXPECT_THAT(failureOf([&] { application->allReports(); }), HasSubstr("disconnected"));
    EXPECT_THAT(failureOf([&] { application->quit(access::QuitOption::SaveAll); }),
                HasSubstr("disconnected"));
}

TEST(AccessPrinters, PrintServerQueuesFollowThePdfWriterAndAJobGoesToTheCurrentOne) {
    REQUIRE_TEST_FILE("asample.accdb");
    fakes::FakeRegistry registry;
    RecordingQueues queues;
    jet::JetAccess access(registry, queues, jet_tests::testOptions());
    auto application = access.createApplication();

    std::vector<std::string> names;
    for (const auto& printer : application->printers()) names.push_back(printer->deviceName());
    EXPECT_THAT(names, ElementsAre("Drevmark PDF Writer", "Office_Laser", "Plotter"));
    auto original = application->printer();
    EXPECT_EQ(original->deviceName(), "Office_Laser") << "the server's default queue";

    application->openCurrentDatabase(testFile("asample.accdb"), false, "");
    application->setPrinter(application->printers()[2]);
    EXPECT_EQ(application->printer()->deviceName(), "Plotter");
    application->openReport("RPTGSTPAIDBYMONTH", access::ReportView::Normal, access::WindowMode::Normal);
    EXPECT_THAT(queues.jobs, ElementsAre("Plotter rptGSTPaidByMonth %PDF-"))
        << "names match ignoring case; the job carries the stored name";

    application->setPrinter(original);
    EXPECT_EQ(application->printer()->deviceName(), "Office_Laser");

    class Foreign : public access::Printer {
        std::string deviceName() override { return "drevmark pdf writer"; }
    };
    EXPECT_THAT(failureOf([&] { application->setPrinter(std::make_shared<Foreign>()); }),
                testing::StartsWith("5: "))
        << "only a printer of the list, by its exact name";
    EXPECT_THAT(failureOf([&] { application->setPrinter(nullptr); }), testing::StartsWith("5: "));
}
