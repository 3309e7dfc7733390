#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "PdfTools.h"
#include "TestFiles.h"
#include "platform/jet/ChildProcess.h"
#include "platform/jet/JetAccess.h"
#include "tests/fakes/FakeRegistry.h"
#include "tests/support/NoPrintQueues.h"

using namespace platform;
using jet_tests::pdfInfo;
using jet_tests::pdfText;
using jet_tests::testFile;
using testing::HasSubstr;

namespace {

// Every report of the database saved as a PDF file in the folder, by report name.
std::map<std::string, std::string> saveAll(const std::string& database, const std::filesystem::path& folder) {
    fakes::FakeRegistry registry;
    test_support::NoPrintQueues queues;
    auto options = jet_tests::testOptions();
    options.timeLimit = std::chrono::seconds(30);  // whole reports, on a busy machine
    jet::JetAccess access(registry, queues, options);
    auto application = access.createApplication();
    application->openCurrentDatabase(database, false, "");
    std::map<std::string, std::string> saved;
    for (const auto& report : application->allReports()) {
        const std::string name = report->name();
        const std::string path = (folder / (name + ".pdf")).string();
        application->outputReport(name, access::kFormatPdf, path);
        saved[name] = path;
    }
    return saved;
}

// The number of pages pdfinfo counts; 0 when it cannot read the file.
int pageCount(const std::string& path) {
    const std::string info = pdfInfo(path);
    const auto at = info.find("Pages:");
    return at == std::string::npos ? 0 : std::atoi(info.c_str() + at + 6);
}

// The amount of one column summed by mdb-export and awk over the table's rows whose key column holds
// the key (every row for an empty key), as "$1,234.50".
std::string exportedSum(const std::string& database, const std::string& table, int keyColumn,
                        const std::string& key, int valueColumn) {
    const std::string script =
        "mdb-export -H -d '|' -q '' \"$1\" \"$2\" | awk -F'|' -v k=\"$3\" -v kc=\"$4\" -v vc=\"$5\" "
        "'k == \"\" || $kc == k { s += $vc } END { printf \"%.2f\", s }' >&3";
    auto result = jet::runChild(
        "/bin/sh",
        {"-c", script, "sh", database, table, key, std::to_string(keyColumn), std::to_string(valueColumn)},
        {});
    std::string digits = result.output.substr(0, result.output.find('.'));
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return "$" + digits + result.output.substr(result.output.find('.'));
}

std::string saveReport(const std::string& database, const std::string& report,
                       const std::filesystem::path& folder) {
    fakes::FakeRegistry registry;
    test_support::NoPrintQueues queues;
    jet::JetAccess access(registry, queues, jet_tests::testOptions());
    auto application = access.createApplication();
    application->openCurrentDatabase(database, false, "");
    const std::string path = (folder / "report.pdf").string();
    application->outputReport(report, access::kFormatPdf, path);
    return path;
}

}  // namespace

TEST(RenderedReports, EveryReportOfTheTestFilesIsDrawnWithItsOwnText) {
    for (const char* file : {"northwind-jet4.mdb", "asample.accdb"}) {
        if (!std::filesystem::exists(testFile(file))) GTEST_SKIP() << "no " << file;
        test_support::TemporaryFolder folder;
        const auto saved = saveAll(testFile(file), folder.path());
        EXPECT_EQ(saved.size(), std::string(file) == "asample.accdb" ? 3u : 14u);
        for (const auto& [report, path] : saved) {
            SCOPED_TRACE(report);
            EXPECT_GE(pageCount(path), 1);
            const std::string text = pdfText(path);
            EXPECT_THAT(text, testing::Not(HasSubstr("could not be drawn")));
            if (const char* keep = std::getenv("KEEP_PDFS"))
                std::filesystem::copy_file(path, std::string(keep) + "/" + report + ".pdf",
                                           std::filesystem::copy_options::overwrite_existing);
        }
    }
}

TEST(RenderedReports, GroupTotalsAreTheSumsOfTheirRows) {
    const std::string file = testFile("asample.accdb");
    if (!std::filesystem::exists(file)) GTEST_SKIP() << "no asample.accdb";
    test_support::TemporaryFolder folder;
    const std::string text = pdfText(saveReport(file, "rptAssetsGroupedByOwners", folder.path()));
    // "Asset Items": Owner is the 6th column, Cost the 9th.
    for (const std::string owner : {"Sales", "Maintenance", ""}) {
        SCOPED_TRACE(owner);
        const std::string sum = exportedSum(file, "Asset Items", 6, owner, 9);
        EXPECT_NE(sum, "$0.00");
        EXPECT_THAT(text, HasSubstr(sum));
    }
}

TEST(RenderedReports, AReportWhoseDesignCannotBeReadGetsATitlePageSayingWhy) {
    const std::string northwind = testFile("northwind-jet4.mdb");
    if (!std::filesystem::exists(northwind)) GTEST_SKIP() << "no northwind-jet4.mdb";
    test_support::TemporaryFolder folder;
    // The compound file holding the designs, its signature broken.
    std::string bytes = test_support::readFile(northwind);
    const auto at = bytes.find("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at, 8, std::string(8, '\0'));
    const std::string damaged = folder / "damaged.mdb";
    test_support::writeFile(damaged, bytes);

    const std::string text = pdfText(saveReport(damaged, "Catalog", folder.path()));
    EXPECT_THAT(text, HasSubstr("Catalog"));
    EXPECT_THAT(text, HasSubstr("Database: damaged.mdb"));
    EXPECT_THAT(text, HasSubstr("could not be drawn: its design cannot be read"));
}

TEST(RenderedReports, ControlsPrintWhereTheirDesignPlacesThem) {
    // A word's place in twips: the page's margin, the bands above on its page and the control's place
    // in its band (text starts 15 twips inside the control's left edge).
    struct Case {
        const char* file;
        const char* report;
        int page;
        const char* word;
        int left, top;
    };
    const Case cases[] = {
        // Margins 1440 and 1080; report header 960, page header 135, group header 1080; down then
        // across in columns 4032 wide, 360 apart.
        {"northwind-jet4.mdb", "Products by Category", 1, "Products", 1440, 1080},
        {"northwind-jet4.mdb", "Products by Category", 1, "Category:", 1440, 1080 + 960 + 135 + 90},
        {"northwind-jet4.mdb", "Products by Category", 1, "Chai", 1440, 1080 + 960 + 135 + 1080},
        {"northwind-jet4.mdb", "Products by Category", 1, "Pavlova", 1440 + 4032 + 360, 1080 + 960 + 135},
        // Margins 360 and 720; labels across then down, 3715 by 1440, 180 apart.
        {"northwind-jet4.mdb", "Customer Labels", 1, "Cactus", 360 + 288, 720 + 240},
        {"northwind-jet4.mdb", "Customer Labels", 1, "Océano", 360 + 3715 + 180 + 288, 720 + 240},
        {"northwind-jet4.mdb", "Customer Labels", 1, "Rancho", 360 + 288, 720 + 1440 + 240},
        // The report header's second page, from its page break at 12975, below the page header's 15.
        {"northwind-jet4.mdb", "Catalog", 2, "When", 1440 + 1665, 1440 + 15 + 15120 - 12975},
        // Margins 1440; report header 855, page header 195, group header 855.
        {"northwind-jet4.mdb", "Alphabetical List of Products", 1, "Product", 1440 + 555,
         1440 + 855 + 195 + 495},
        {"northwind-jet4.mdb", "Alphabetical List of Products", 1, "Aniseed", 1440 + 540,
         1440 + 855 + 195 + 855 + 30},
        // Margins 1417; report header 999.
        {"asample.accdb", "rptAssetListingInNumberOrder", 1, "Make", 1417 + 1224, 1417 + 999 + 57},
    };
    constexpr double kTextInset = 15, kTwipsPerPoint = 20;
    test_support::TemporaryFolder folder;
    std::map<std::string, std::string> saved;  // by report
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.report) + ": " + c.word);
        const std::string file = testFile(c.file);
        if (!std::filesystem::exists(file)) GTEST_SKIP() << "no " << c.file;
        if (!saved.count(c.report)) {
            const auto reportFolder = folder / c.report;
            std::filesystem::create_directory(reportFolder);
            saved[c.report] = saveReport(file, c.report, reportFolder);
        }
        const auto box = jet_tests::wordBox(saved[c.report], c.page, c.word);
        ASSERT_TRUE(box.has_value());
        EXPECT_NEAR(box->left, (c.left + kTextInset) / kTwipsPerPoint, 1.0);
        EXPECT_NEAR(box->top, c.top / kTwipsPerPoint, 1.0);
    }
}
