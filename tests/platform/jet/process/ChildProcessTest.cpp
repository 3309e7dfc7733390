#include <gtest/gtest.h>

#include <chrono>
#include <csignal>

#include "platform/Failure.h"
#include "platform/jet/process/ChildProcess.h"
#include "tests/platform/jet/CapturedOutput.h"
#include "tests/support/TestSupport.h"

using namespace platform::jet;
using namespace std::chrono_literals;

namespace {

ChildResult runShell(const std::string& script, ChildLimits limits = {}) {
    return runChild("/bin/sh", {"-c", script}, limits);
}

}  // namespace

TEST(ChildProcess, CollectsTheResultDescriptorOnlyAndTheExitCode) {
    jet_tests::CapturedOutput captured;
    auto result = runShell("echo to-stdout; echo to-stderr >&2; printf 'result' >&3; exit 4");
    EXPECT_EQ(result.ending, ChildResult::Ending::Exited);
    EXPECT_EQ(result.exitCode, 4);
    EXPECT_EQ(result.output, "result");
    EXPECT_FALSE(result.succeeded());
    EXPECT_EQ(captured.text(), "") << "the child's stdout and stderr must not reach ours";
}

TEST(ChildProcess, StopsAChildThatRunsTooLongOrSaysTooMuch) {
    ChildLimits limits;
    limits.timeLimit = 300ms;
    auto started = std::chrono::steady_clock::now();
    auto slow = runShell("exec 3>&-; sleep 30", limits);  // closes its result early, then hangs
    EXPECT_EQ(slow.ending, ChildResult::Ending::TimedOut);
    auto silentLoop = runShell("while :; do :; done", limits);
    EXPECT_EQ(silentLoop.ending, ChildResult::Ending::TimedOut);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 3s);

    limits.timeLimit = 10s;
    limits.outputLimit = 1000;
    auto chatty = runShell("yes >&3", limits);
    EXPECT_EQ(chatty.ending, ChildResult::Ending::OutputTooLarge);
    EXPECT_TRUE(chatty.output.empty());
}

TEST(ChildProcess, ReportsACrashAsSignalled) {
    auto crashed = runShell("printf 'half' >&3; kill -SEGV $$");
    EXPECT_EQ(crashed.ending, ChildResult::Ending::Signalled);
    EXPECT_FALSE(crashed.succeeded());
}

TEST(ChildProcess, AChildReapedElsewhereHasNotSucceeded) {
    // With SIGCHLD ignored the kernel reaps the child itself: its exit code is never learned.
    struct IgnoredChildSignal {
        IgnoredChildSignal() { previous = std::signal(SIGCHLD, SIG_IGN); }
        ~IgnoredChildSignal() { std::signal(SIGCHLD, previous); }
        void (*previous)(int);
    } ignored;
    auto result = runShell("printf 'all' >&3; exit 0");
    EXPECT_EQ(result.ending, ChildResult::Ending::Lost);
    EXPECT_FALSE(result.succeeded());
}

TEST(ChildProcess, PassesTheEnvironmentWithChanges) {
    test_support::ScopedEnvironment removed{"CALVENOR_TEST_REMOVED", "x"};
    auto result =
        runChild("/bin/sh", {"-c", "printf '%s|%s' \"${CALVENOR_TEST_REMOVED-unset}\" \"$ADDED\" >&3"}, {},
                 {"CALVENOR_TEST_REMOVED"}, {"ADDED=yes"});
    EXPECT_EQ(result.output, "unset|yes");
}

TEST(ChildProcess, AMissingProgramIsAFailure) {
    EXPECT_THROW(runChild("/nonexistent/calvenor-helper", {}, {}), platform::Failure);
}
