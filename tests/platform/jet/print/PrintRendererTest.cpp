#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/Failure.h"
#include "platform/jet/print/PrintRenderer.h"
#include "platform/jet/process/HelperPrograms.h"
#include "tests/platform/jet/HelperFolder.h"
#include "tests/platform/jet/TestFiles.h"

using namespace platform::jet;
using testing::HasSubstr;

namespace {

// "" when the job renders as a whole PDF document; else the failure's description.
std::string failureOf(PrintRenderer& renderer, const std::string& title) {
    try {
        return isWholePdf(renderer.render(title).pdf) ? "" : "not a PDF";
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
        *half*) printf 'pdf\t100\t\n%%PDF-1.4\n1 0 obj' >&3; exit 0 ;;
        *huge*) printf 'pdf\t99999999999\t\n' >&3 ;;
        *rambling*) head -c 100000 /dev/zero >&3 ;;
        *chatty*) printf "pdf\t15\t\n$pdf%s" 'one more' >&3 ;;
        *notpdf*) printf 'pdf\t5\t\nhello' >&3 ;;
        *overlong*) printf 'error\t%05000d\n' 0 >&3 ;;
        *tailed*) printf 'error\tno\nmore' >&3 ;;
        *refuse*) printf 'error\tits design cannot be read (a\\tb\001c \377 %0985d\303\251 and more)\n' 0 >&3 ;;
        *approximated*) printf "pdf\t15\tcharts are not drawn\n$pdf" >&3 ;;
        *) printf "pdf\t15\t\n$pdf" >&3 ;;
    esac
done
)";

}  // namespace

TEST(PrintRenderer, AReportThatCannotBeDrawnFailsWithTheReasonAndTheRendererServesOn) {
    {
        jet_tests::HelperFolder helpers;
        helpers.countStarts(kRendererProgram);
        PrintRenderer renderer(helpers.options());
        // Tabs and backslashes are the protocol's own separators and escapes.
        const std::string title = "Umsätze «2024» / Q1\tand \\t more\\";
        EXPECT_EQ(failureOf(renderer, title),
                  "The report '" + title + "' could not be drawn: no database is open to read it from.");
        EXPECT_THAT(failureOf(renderer, "Sales"), HasSubstr("could not be drawn"));
        EXPECT_EQ(helpers.starts(kRendererProgram), 1);
    }
    // A reason is made one printable line of at most 1024 bytes, cut between characters.
    jet_tests::HelperFolder helpers;
    helpers.addScript(kRendererProgram, kMisbehavingRenderer);
    PrintRenderer renderer(helpers.options());
    EXPECT_EQ(failureOf(renderer, "refuse"),
              "The report 'refuse' could not be drawn: its design cannot be read (a b c ? " +
                  std::string(985, '0') + "...");
    EXPECT_EQ(failureOf(renderer, "After"), "");
    EXPECT_EQ(helpers.starts(kRendererProgram), 1);
}

TEST(PrintRenderer, WhatTheDrawingLeftOutComesWithTheDocument) {
    jet_tests::HelperFolder helpers;
    helpers.addScript(kRendererProgram, kMisbehavingRenderer);
    PrintRenderer renderer(helpers.options());
    const RenderedReport approximated = renderer.render("approximated");
    EXPECT_TRUE(isWholePdf(approximated.pdf));
    EXPECT_EQ(approximated.note, "charts are not drawn");
    EXPECT_EQ(renderer.render("whole").note, "");
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
        {"huge", "larger than 256 MB"},         // announces more than a job may be
        {"rambling", "could not be rendered"},  // no answer's line at all
        {"chatty", "could not be rendered"},    // says more than it announced
        {"notpdf", "could not be rendered"},    // a whole answer, but not a whole PDF
        {"overlong", "could not be rendered"},  // a reason longer than an answer's line may be
        {"tailed", "could not be rendered"},    // a reason with more after it
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
