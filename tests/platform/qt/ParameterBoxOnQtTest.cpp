// The "Enter Parameter Value" box on the Qt backend over the real engine: rentals' "Reservations" asks
// for [Last Name], [Res City] and [Res State] before it is drawn.
#include <gtest/gtest.h>

#include <QInputDialog>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <optional>

#include "platform/Failure.h"
#include "platform/jet/JetAccess.h"
#include "platform/posix/FileRegistry.h"
#include "platform/qt/QtUi.h"
#include "tests/platform/jet/PdfTools.h"
#include "tests/platform/jet/TestFiles.h"
#include "tests/platform/qt/Keyboard.h"
#include "tests/platform/qt/ParameterBoxes.h"
#include "tests/support/NoPrintQueues.h"

namespace {

class ParameterBoxOnQt : public ::testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_TEST_FILE("reports/rentals2000-jet4.mdb");
        access.askWith(&ui);
    }

    // One run (the caller's Boxes answering): each report saved in turn; its file's text, or its failure.
    std::vector<std::string> run(const std::vector<std::string>& reports) {
        std::vector<std::string> results;
        auto application = access.createApplication();
        application->openCurrentDatabase(jet_tests::testFile("reports/rentals2000-jet4.mdb"), false, "");
        for (const auto& report : reports) {
            const std::string file = (output.path() / (report + ".pdf")).string();
            try {
                application->outputReport(report, platform::access::kFormatPdf, file);
                results.push_back(jet_tests::pdfText(file));
            } catch (const platform::Failure& failure) {
                results.push_back(std::string("failed: ") + failure.what());
            }
        }
        application->quit(platform::access::QuitOption::SaveAll);
        return results;
    }

    test_support::TemporaryFolder output;
    test_support::TemporaryFolder registryFolder;
    platform::posix::FileRegistry registry{registryFolder.path().string()};
    test_support::NoPrintQueues queues;
    platform::jet::JetAccess access{registry, queues, jet_tests::testOptions()};
    platform::qt::QtUi ui;
};

const std::vector<std::string> kFirstAsked = {
    "Enter Parameter Value: Last Name = ", "Enter Parameter Value: Res City = ",
    "Enter Parameter Value: Res State = "};

// One box per name, in the record source's order, and only once in a run; the rows are those answered.
TEST_F(ParameterBoxOnQt, AsksEachNameOnceAndDrawsTheRowsAnswered) {
    Boxes boxes{{"Jones", "Miami", "FL"}};
    const auto results = run({"Reservations", "Reservations"});
    EXPECT_EQ(boxes.shown, kFirstAsked);
    for (const auto& text : results) {
        EXPECT_NE(text.find("Jones"), std::string::npos) << text;
        EXPECT_EQ(text.find("Chao"), std::string::npos) << text;
    }
}

// The next run offers the last answers for this database as the starting text.
TEST_F(ParameterBoxOnQt, RemembersTheLastAnswers) {
    {
        Boxes first{{"Jones", "Miami", "FL"}};
        run({"Reservations"});
    }
    Boxes second{{QString{}, "Homestead", QString{}}};
    const auto results = run({"Reservations"});
    EXPECT_EQ(second.shown, (std::vector<std::string>{"Enter Parameter Value: Last Name = Jones",
                                                      "Enter Parameter Value: Res City = Miami",
                                                      "Enter Parameter Value: Res State = FL"}));
    EXPECT_EQ(results[0].find("Jones"), std::string::npos) << "Jones lives in Miami, not Homestead";
}

// Cancel fails only that report; the run goes on, and a later report asks only for what is unanswered.
TEST_F(ParameterBoxOnQt, CancelFailsThatReportOnly) {
    Boxes boxes{{"Jones", std::nullopt, "Miami", "FL"}};
    const auto results = run({"Reservations", "Invoice", "Reservations"});
    EXPECT_EQ(results[0], "failed: cancelled");
    EXPECT_EQ(results[1].rfind("failed", 0), std::string::npos) << results[1];
    EXPECT_NE(results[2].find("Jones"), std::string::npos) << results[2];
    EXPECT_EQ(boxes.shown,
              (std::vector<std::string>{kFirstAsked[0], kFirstAsked[1], kFirstAsked[1], kFirstAsked[2]}));
}

}  // namespace
