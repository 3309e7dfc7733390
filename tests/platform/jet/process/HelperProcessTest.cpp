#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>

#include "platform/jet/process/HelperProcess.h"

namespace {

void burnProcessorTime(double seconds) {
    const std::clock_t until = std::clock() + static_cast<std::clock_t>(seconds * CLOCKS_PER_SEC);
    while (std::clock() < until) {
    }
}

// A helper serving many jobs: each job has its own processor time, so that a long run of reports does
// not end the helper in the middle of a later one.
TEST(HelperProcess, EachJobGetsItsOwnProcessorTime) {
    for (const bool allowed : {true, false}) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            rlimit processor{2, 100};  // two seconds a job
            setrlimit(RLIMIT_CPU, &processor);
            burnProcessorTime(1.5);  // the first job
            if (allowed) platform::jet::helper::allowProcessorTimeForNextJob(2);
            burnProcessorTime(1.5);  // the second: past the first job's limit
            _exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        if (allowed)
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        else
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXCPU) << status;
    }
}

}  // namespace
