#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "DatabaseFile.h"
#include "Fixtures.h"
#include "HelperFolder.h"
#include "PdfTools.h"
#include "platform/jet/HelperPrograms.h"
#include "platform/jet/JetAccess.h"
#include "platform/jet/PdfWriterPrinter.h"
#include "tests/fakes/FakeRegistry.h"
#include "tests/support/NoPrintQueues.h"

using namespace platform;
using jet::kRendererProgram;
using testing::HasSubstr;
using testing::IsEmpty;

namespace {

// A whitespace run as one blank, none at either end: how a page's text is compared with the name it
// shows, since the page wraps a long name and pdftotext drops leading blanks.
std::string collapsedBlanks(const std::string& text) {
    std::string collapsed;
    for (char c : text) {
        const bool blank = c == ' ' || c == '\n' || c == '\t' || c == '\f';
        if (!blank)
            collapsed += c;
        else if (!collapsed.empty() && collapsed.back() != ' ')
            collapsed += ' ';
    }
    while (!collapsed.empty() && collapsed.back() == ' ') collapsed.pop_back();
    return collapsed;
}

// A run as the export makes it: one application, the reports printed one by one on the PDF writer.
class PrintRun : public testing::Test {
  protected:
    void SetUp() override {
        helpers_.countStarts(kRendererProgram);
        writeDatabase(mkmdb::fixtures::largeDatabase(4, 0));
    }

    void writeDatabase(const mkmdb::Database& database) {
        mkmdb::writeDatabaseFile(database, database_, mkmdb::Overwrite::Replace);
    }

    std::unique_ptr<access::Application> start() {
        auto application = access_.createApplication();
        application->openCurrentDatabase(database_, false, "");
        return application;
    }

    // Prints the report on the PDF writer into the output folder; answers the file's path.
    std::string print(access::Application& application, const std::string& report, const std::string& file) {
        const std::string path = output_ / file;
        registry_.set(jet::kPdfWriterKey, "OutputFile", path);
        application.openReport(report, access::ReportView::Normal, access::WindowMode::Normal);
        return path;
    }

    jet_tests::HelperFolder helpers_;
    test_support::TemporaryFolder folder_, output_;
    const std::string database_ = folder_ / "run.mdb";
    fakes::FakeRegistry registry_;
    test_support::NoPrintQueues queues_;
    jet::JetAccess access_{registry_, queues_, helpers_.options()};
};

}  // namespace

TEST_F(PrintRun, OneRendererServesEveryJobOfAnApplication) {
    auto application = start();
    print(*application, "Report 00001", "1.pdf");
    print(*application, "Report 00002", "2.pdf");
    application->outputReport("Report 00003", access::kFormatPdf, output_ / "3.pdf");
    print(*application, "Report 00004", "4.pdf");
    EXPECT_EQ(helpers_.starts(kRendererProgram), 1);
    EXPECT_THAT(test_support::namesIn(output_.path()),
                testing::ElementsAre("1.pdf", "2.pdf", "3.pdf", "4.pdf"));
    application->quit(access::QuitOption::SaveAll);

    auto next = start();
    print(*next, "Report 00001", "again.pdf");
    EXPECT_EQ(helpers_.starts(kRendererProgram), 2) << "another application instance, another renderer";
}

TEST_F(PrintRun, ARendererKilledBetweenJobsIsReplacedAndTheRunGoesOn) {
    auto application = start();
    print(*application, "Report 00001", "1.pdf");
    const pid_t renderer = jet_tests::childRunning(kRendererProgram);
    ASSERT_NE(renderer, 0);
    jet_tests::killAndWaitForItsEnd(renderer);

    const std::string path = print(*application, "Report 00002", "2.pdf");
    EXPECT_EQ(jet_tests::pdfTitle(path), "Report 00002");
    EXPECT_EQ(helpers_.starts(kRendererProgram), 2);
    EXPECT_THAT(jet_tests::childProcesses(), testing::Not(testing::Contains(renderer)))
        << "the killed renderer was reaped";
}

TEST_F(PrintRun, QuitOrReleaseLeavesNoProcessAndNoDescriptor) {
    for (const char* ending : {"quit", "release"}) {
        ASSERT_THAT(jet_tests::childProcesses(), IsEmpty());
        const std::size_t descriptors = jet_tests::openDescriptors();
        auto application = start();
        print(*application, "Report 00001", "1.pdf");
        print(*application, "Report 00002", "2.pdf");
        EXPECT_NE(jet_tests::childRunning(kRendererProgram), 0) << "the renderer waits for the next job";
        if (ending == std::string("quit"))
            application->quit(access::QuitOption::SaveAll);
        else
            application.reset();
        EXPECT_THAT(jet_tests::childProcesses(), IsEmpty()) << ending;
        EXPECT_EQ(jet_tests::openDescriptors(), descriptors) << ending;
    }
}

TEST_F(PrintRun, EveryReportPrintsAsADocumentTitledAndHeadedWithItsOwnName) {
    writeDatabase(mkmdb::fixtures::hostileNamesDatabase());
    auto application = start();
    const auto names = mkmdb::fixtures::hostileReportNames();
    for (std::size_t i = 0; i < names.size(); ++i) {
        // The file's name is the caller's business; the document's title is the report's own name.
        const std::string path = print(*application, names[i], std::to_string(i) + ".pdf");
        EXPECT_EQ(jet_tests::pdfTitle(path), names[i]);
        if (jet_tests::installedFontsHave(names[i])) {
            EXPECT_THAT(collapsedBlanks(jet_tests::pdfText(path)), HasSubstr(collapsedBlanks(names[i])));
        }
    }
    EXPECT_EQ(helpers_.starts(kRendererProgram), 1);
}
