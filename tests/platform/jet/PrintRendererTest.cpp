#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "HelperFolder.h"
#include "PdfTools.h"
#include "TestFiles.h"
#include "platform/Failure.h"
#include "platform/jet/HelperPrograms.h"
#include "platform/jet/PrintRenderer.h"

using namespace platform::jet;
using jet_tests::pdfText;
using jet_tests::pdfTitle;
using testing::HasSubstr;

namespace {

// "" when the job renders as a whole PDF document; else the failure's description.
std::string failureOf(PrintRenderer& renderer, const std::string& title) {
    try {
        return isWholePdf(renderer.render({title, "Sales.accdb", "2024-06-07 10:11:12"})) ? "" : "not a PDF";
    } catch (const platform::Failure& failure) {
        return failure.description();
    }
}

// A renderer that speaks the protocol and misbehaves as the job's title asks; other jobs get a small
// whole document.
constexpr char kMisbehavingRenderer[] = R"(pdf='%%PDF-1.4\n%%%%EOF\n'
while IFS= read -r request <&3; do
    case "$request" in
        *crash*) kill -KILL $$ ;;
        *hang*) exec sleep 30 ;;
        *half*) printf 'pdf\t100\n%%PDF-1.4\n1 0 obj' >&3; exit 0 ;;
        *huge*) printf 'pdf\t99999999999\n' >&3 ;;
        *rambling*) head -c 100000 /dev/zero >&3 ;;
        *chatty*) printf "pdf\t15\n$pdf%s" 'one more' >&3 ;;
        *notpdf*) printf 'pdf\t5\nhello' >&3 ;;
        *refuse*) printf 'error\tno\n' >&3 ;;
        *) printf "pdf\t15\n$pdf" >&3 ;;
    esac
done
)";

}  // namespace

TEST(PrintRenderer, AJobsFieldsReachItsPageAsGiven) {
    test_support::TemporaryFolder folder;
    PrintRenderer renderer(jet_tests::testOptions());
    // Tabs, line breaks and backslashes are the protocol's own separators and escapes.
    const std::string title = "Umsätze «2024» / Q1\tand \\t more\\";
    const std::string path = folder / "job.pdf";
    test_support::writeFile(path, renderer.render({title, "Sales\n2024.accdb", "2024-06-07 10:11:12"}));
    EXPECT_EQ(pdfTitle(path), title);
    const std::string text = pdfText(path);
    EXPECT_THAT(text, HasSubstr("Sales"));
    EXPECT_THAT(text, HasSubstr("2024.accdb"));
    EXPECT_THAT(text, HasSubstr("Printed: 2024-06-07 10:11:12"));
}

TEST(PrintRenderer, ARendererThatFailsAJobFailsThatJobAloneAndIsReplaced) {
    struct Case {
        const char* job;
        const char* failure;
    };
    const std::vector<Case> cases{
        {"crash", "could not be rendered"},  // killed mid-job
        {"hang", "took longer than 0.5 seconds"},
        {"half", "could not be rendered"},      // ended halfway through its document
        {"huge", "could not be rendered"},      // announces more than a job may be
        {"rambling", "could not be rendered"},  // no answer's line at all
        {"chatty", "could not be rendered"},    // says more than it announced
        {"notpdf", "could not be rendered"},    // a whole answer, but not a whole PDF
        {"refuse", "could not be rendered"},
    };
    for (const Case& c : cases) {
        jet_tests::HelperFolder helpers;
        helpers.addScript(kRendererProgram, kMisbehavingRenderer);
        auto options = helpers.options();
        options.printTimeLimit = std::chrono::milliseconds(500);
        PrintRenderer renderer(options);

        EXPECT_EQ(failureOf(renderer, "Before"), "") << c.job;
        EXPECT_THAT(
            failureOf(renderer, c.job),
            testing::AllOf(HasSubstr("the report '" + std::string(c.job) + "'"), HasSubstr(c.failure)));
        EXPECT_EQ(failureOf(renderer, "After"), "") << c.job;
        EXPECT_EQ(failureOf(renderer, "Last"), "") << c.job;
        EXPECT_EQ(helpers.starts(kRendererProgram), 2) << c.job << ": one for the jobs before, one after";
        renderer.stop();
        EXPECT_THAT(jet_tests::childProcesses(), testing::IsEmpty()) << c.job;
    }
}

TEST(PrintRenderer, TheProgramIsCalledBackWhileAJobIsDrawn) {
    jet_tests::HelperFolder helpers;
    helpers.addScript(kRendererProgram, kMisbehavingRenderer);
    auto options = helpers.options();
    options.printTimeLimit = std::chrono::milliseconds(500);
    int calls = 0;
    options.whileDrawing = [&calls] { ++calls; };
    PrintRenderer renderer(options);
    EXPECT_THAT(failureOf(renderer, "hang"), HasSubstr("took longer"));
    EXPECT_GE(calls, 3) << "about every tenth of a second of the half second waited";
}

TEST(PrintRenderer, ARendererThatCannotStartFailsTheJob) {
    jet_tests::HelperFolder helpers;
    helpers.addScript(kRendererProgram, "exit 1\n");
    PrintRenderer renderer(helpers.options());
    EXPECT_THAT(failureOf(renderer, "Sales"), HasSubstr("could not be rendered"));
    auto options = jet_tests::testOptions();
    options.helperFolder = "/nonexistent";
    PrintRenderer missing(options);
    EXPECT_THAT(failureOf(missing, "Sales"), HasSubstr("Cannot start the helper program"));
}
