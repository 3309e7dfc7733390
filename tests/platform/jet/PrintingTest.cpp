#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "PdfTools.h"
#include "TestFiles.h"
#include "platform/Failure.h"
#include "platform/jet/JetAccess.h"
#include "platform/jet/print/PdfWriterPrinter.h"
#include "platform/posix/FileRegistry.h"
#include "tests/fakes/FakeRegistry.h"
#include "tests/support/NoPrintQueues.h"

using namespace platform;
using jet_tests::pdfText;
using jet_tests::pdfTitle;
using jet_tests::testFile;
using test_support::namesIn;
using test_support::readFile;
using testing::HasSubstr;

namespace {

std::string failureOf(auto call) {
    try {
        call();
    } catch (const Failure& failure) {
        return failure.description();
    }
    return "";
}

class Printing : public testing::Test {
  protected:
    void SetUp() override { REQUIRE_TEST_FILE("asample.accdb"); }

    void pointWriterAt(const std::string& path) {
        registry_.set(jet::kPdfWriterKey, "OutputFile", path);
        registry_.set(jet::kPdfWriterKey, "BypassSaveAs", "1");
    }

    std::unique_ptr<access::Application> openSample() {
        auto application = access_.createApplication();
        application->openCurrentDatabase(testFile("asample.accdb"), false, "");
        return application;
    }

    void print(access::Application& application, const std::string& report) {
        application.openReport(report, access::ReportView::Normal, access::WindowMode::Normal);
    }

    test_support::TemporaryFolder folder_;
    fakes::FakeRegistry registry_;
    test_support::NoPrintQueues queues_;
    jet::JetAccess access_{registry_, queues_, jet_tests::testOptions()};
};

}  // namespace

TEST_F(Printing, AReportPrintedOnThePdfWriterBecomesAPdfAtTheRegisteredPath) {
    auto application = openSample();
    const std::string first = folder_ / "Assets by owner.pdf", second = folder_ / "GST.pdf";

    pointWriterAt(first);
    print(*application, "rptAssetsGroupedByOwners");
    pointWriterAt(second);
    print(*application, "rptGSTPaidByMonth");

    EXPECT_THAT(namesIn(folder_.path()), testing::ElementsAre("Assets by owner.pdf", "GST.pdf"))
        << "one file per job and no temporary file left";
    EXPECT_EQ(pdfTitle(first), "rptAssetsGroupedByOwners");
    EXPECT_EQ(pdfTitle(second), "rptGSTPaidByMonth");
    // The report itself: its heading, and the date its page footer prints.
    const std::string text = pdfText(second);
    EXPECT_THAT(text, HasSubstr("GST Paid By month"));
    EXPECT_THAT(text, HasSubstr("Page 1 of "));
}

TEST_F(Printing, ThePdfWriterRefusesWithoutAUsableOutputFileAndWritesNothing) {
    auto application = openSample();
    EXPECT_THAT(failureOf([&] { print(*application, "rptGSTPaidByMonth"); }), HasSubstr("\"OutputFile\""))
        << "no key at all";
    registry_.set(jet::kPdfWriterKey, "BypassSaveAs", "1");
    EXPECT_THAT(failureOf([&] { print(*application, "rptGSTPaidByMonth"); }), HasSubstr("\"OutputFile\""))
        << "the key without the value";
    pointWriterAt("");
    EXPECT_THAT(failureOf([&] { print(*application, "rptGSTPaidByMonth"); }), HasSubstr("\"OutputFile\""));

    pointWriterAt(folder_ / "missing folder/report.pdf");
    EXPECT_THAT(failureOf([&] { print(*application, "rptGSTPaidByMonth"); }), HasSubstr("does not exist"));
    for (const std::string& unsafe : {std::string("report.pdf"), folder_.path().string() + "/"}) {
        pointWriterAt(unsafe);
        EXPECT_THAT(failureOf([&] { print(*application, "rptGSTPaidByMonth"); }),
                    HasSubstr("not a full path"))
            << unsafe;
    }
    pointWriterAt(folder_ / "sub/../report.pdf");
    EXPECT_THAT(failureOf([&] { print(*application, "rptGSTPaidByMonth"); }),
                HasSubstr("has a \".\" or \"..\" part"));
    EXPECT_TRUE(namesIn(folder_.path()).empty());
}

TEST_F(Printing, AnExistingFileIsReplacedWhole) {
    auto application = openSample();
    const std::string path = folder_ / "rptGSTPaidByMonth.pdf";
    std::ofstream(path) << "an older export";
    pointWriterAt(path);
    print(*application, "rptGSTPaidByMonth");
    EXPECT_EQ(readFile(path).rfind("%PDF-", 0), 0u);
    EXPECT_EQ(pdfTitle(path), "rptGSTPaidByMonth");
}

TEST_F(Printing, OutputToWritesThePdfWithoutThePrinter) {
    auto application = openSample();
    const std::string path = folder_ / "listing.pdf";
    application->outputReport("rptAssetListingInNumberOrder", access::kFormatPdf, path);
    EXPECT_THAT(pdfText(path), HasSubstr("Asset Listing In Number Order"));
    EXPECT_FALSE(registry_.value(jet::kPdfWriterKey, "OutputFile")) << "the printer's key is not involved";

    EXPECT_THAT(failureOf([&] {
                    application->outputReport("rptAssetListingInNumberOrder", "Rich Text Format (*.rtf)",
                                              path);
                }),
                HasSubstr("format"));
    EXPECT_THAT(failureOf([&] {
                    application->outputReport("rptAssetListingInNumberOrder", access::kFormatPdf,
                                              folder_ / "nowhere/listing.pdf");
                }),
                HasSubstr("can't save the output data"));
    EXPECT_THAT(failureOf([&] { application->outputReport("rptNothing", access::kFormatPdf, path); }),
                HasSubstr("rptNothing"));
}

TEST_F(Printing, OutputToWritesOnlyWhereAPlainFullPathSays) {
    auto application = openSample();
    auto output = [&](const std::string& path) {
        return failureOf(
            [&] { application->outputReport("rptAssetListingInNumberOrder", access::kFormatPdf, path); });
    };
    std::filesystem::create_directory(folder_.path() / "sub");
    const std::string relative = "calvenor-relative-output.pdf";
    EXPECT_THAT(output(relative), HasSubstr("can't save the output data"));
    EXPECT_FALSE(std::filesystem::exists(relative));
    std::filesystem::remove(relative);
    for (const std::string& unsafe : {folder_ / "sub/../listing.pdf", folder_ / "./listing.pdf"})
        EXPECT_THAT(output(unsafe), HasSubstr("can't save the output data")) << unsafe;
    EXPECT_EQ(namesIn(folder_.path()), std::vector<std::string>{"sub"});

    // A link in the file's place is replaced by the file, never written through.
    const std::string outside = folder_ / "sub/outside.txt", link = folder_ / "listing.pdf";
    test_support::writeFile(outside, "keep me");
    std::filesystem::create_symlink(outside, link);
    EXPECT_EQ(output(link), "");
    EXPECT_EQ(readFile(outside), "keep me");
    EXPECT_FALSE(std::filesystem::is_symlink(link));
    EXPECT_EQ(readFile(link).rfind("%PDF-", 0), 0u);
}

TEST_F(Printing, ThePdfWriterReadsTheRegistryEmulationTheProgramWrites) {
    const auto root = folder_.path() / "registry";
    posix::FileRegistry registry(root.string());
    jet::JetAccess access(registry, queues_, jet_tests::testOptions());
    auto application = access.createApplication();
    application->openCurrentDatabase(testFile("asample.accdb"), false, "");
    application->setPrinter(application->printers()[0]);

    const std::string path = folder_ / "Grüße & \"quotes\".pdf";
    {
        auto key = registry.createKey("Software\\Drevmark PDF Writer");
        key->writeString("OutputFile", path);
        key->writeString("BypassSaveAs", "1");
    }
    print(*application, "rptAssetListingInNumberOrder");
    EXPECT_THAT(pdfText(path), HasSubstr("Asset Listing In Number Order"));
}
