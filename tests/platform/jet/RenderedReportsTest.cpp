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

// Catalog's three logos are bitmaps in its design, its eight category pictures Paintbrush objects in the
// Categories table's OLE Object field: all drawn, none named as left out.
TEST(RenderedReports, PicturesOfTheDesignAndOfOleObjectFieldsAreDrawn) {
    const std::string file = testFile("northwind-jet4.mdb");
    if (!std::filesystem::exists(file)) GTEST_SKIP() << "no northwind-jet4.mdb";
    test_support::TemporaryFolder folder;
    const std::string path = saveReport(file, "Catalog", folder.path());
    auto images = jet::runChild("/bin/sh", {"-c", "exec pdfimages -list \"$1\" >&3", "sh", path}, {});
    ASSERT_TRUE(images.succeeded());
    std::size_t count = 0;
    for (std::size_t at = images.output.find(" image "); at != std::string::npos;
         at = images.output.find(" image ", at + 1))
        ++count;
    EXPECT_GE(count, 11u);
    EXPECT_THAT(pdfInfo(path), testing::Not(HasSubstr("image")));
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
