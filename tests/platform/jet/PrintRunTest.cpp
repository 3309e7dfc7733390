#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "DatabaseFile.h"
#include "Fixtures.h"
#include "HelperFolder.h"
#include "platform/Failure.h"
#include "platform/jet/JetAccess.h"
#include "platform/jet/print/PdfWriterPrinter.h"
#include "platform/jet/process/HelperPrograms.h"
#include "tests/fakes/FakeRegistry.h"
#include "tests/support/NoPrintQueues.h"

using namespace platform;
using jet::kRendererProgram;
using testing::HasSubstr;
using testing::IsEmpty;

namespace {

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

    // Prints the report on the PDF writer into the output folder; answers why it failed, or "". The
    // reports of the large fixture have no designs: each job is answered, by the renderer, with why it
    // cannot be drawn.
    std::string print(access::Application& application, const std::string& report, const std::string& file) {
        registry_.set(jet::kPdfWriterKey, "OutputFile", output_ / file);
        try {
            application.openReport(report, access::ReportView::Normal, access::WindowMode::Normal);
        } catch (const Failure& failure) {
            return failure.description();
        }
        return "";
    }

    jet_tests::HelperFolder helpers_;
    test_support::TemporaryFolder folder_, output_;
    const std::string database_ = folder_ / "run.mdb";
    fakes::FakeRegistry registry_;
    test_support::NoPrintQueues queues_;
    jet::JetAccess access_{registry_, queues_, helpers_.options()};
};

}  // namespace

constexpr char kAnswered[] =
    "could not be drawn: its design cannot be read (The file holds no design of the report";

TEST_F(PrintRun, OneRendererServesEveryJobOfAnApplication) {
    auto application = start();
    EXPECT_THAT(print(*application, "Report 00001", "1.pdf"), HasSubstr(kAnswered));
    EXPECT_THAT(print(*application, "Report 00002", "2.pdf"), HasSubstr(kAnswered));
    try {
        application->outputReport("Report 00003", access::kFormatPdf, output_ / "3.pdf");
        ADD_FAILURE() << "drawn without a design";
    } catch (const Failure& failure) {
        EXPECT_THAT(failure.description(), HasSubstr(kAnswered));
    }
    EXPECT_THAT(print(*application, "Report 00004", "4.pdf"), HasSubstr(kAnswered));
    EXPECT_EQ(helpers_.starts(kRendererProgram), 1);
    EXPECT_THAT(test_support::namesIn(output_.path()), IsEmpty()) << "no file for a report not drawn";
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

    EXPECT_THAT(print(*application, "Report 00002", "2.pdf"), HasSubstr(kAnswered));
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

// The renderer finds each report by its name as given and draws it: one it could not find would have "no
// report named" it.
TEST_F(PrintRun, EveryReportReachesTheRendererByItsOwnName) {
    writeDatabase(mkmdb::fixtures::hostileNamesDatabase());
    auto application = start();
    const auto names = mkmdb::fixtures::hostileReportNames();
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(print(*application, names[i], std::to_string(i) + ".pdf"), "") << names[i];
        EXPECT_TRUE(std::filesystem::exists(output_.path() / (std::to_string(i) + ".pdf"))) << names[i];
    }
    EXPECT_EQ(helpers_.starts(kRendererProgram), 1);
}
