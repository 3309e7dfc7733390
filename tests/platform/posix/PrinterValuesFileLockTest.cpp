#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/posix/PrinterValuesFileLock.h"
#include "tests/support/TestSupport.h"

namespace {

using platform::posix::PrinterValuesFileLock;

// Two runs hold the lock in turn: the second waits, its window kept painted, until the first lets go.
TEST(PrinterValuesFileLock, ASecondRunWaitsUntilTheFirstLetsGo) {
    test_support::TemporaryFolder temp;
    const auto path = (temp.path() / "registry/.printer-values.lock").string();  // its folder is made
    PrinterValuesFileLock first{path}, second{path};
    first.acquire({});
    std::atomic<int> waits{0};
    std::atomic<bool> acquired{false};
    std::thread other{[&] {
        second.acquire([&] { ++waits; });
        acquired = true;
    }};
    while (waits < 3) std::this_thread::yield();
    EXPECT_FALSE(acquired);
    first.release();
    other.join();
    EXPECT_TRUE(acquired);
    first.release();  // not held: nothing happens
    second.release();
    first.acquire({});  // free again
}

}  // namespace
