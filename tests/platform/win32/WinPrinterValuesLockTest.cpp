#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <future>
#include <stdexcept>
#include <string>
#include <thread>

#include "platform/win32/WinPrinterValuesLock.h"

namespace {

using platform::win32::WinPrinterValuesLock;

// A name of the test's own, so that a program running in the same session is not held up.
std::wstring lockName(const wchar_t* test) {
    return L"Local\\Calvenor.Test." + std::to_wstring(GetCurrentProcessId()) + L"." + test;
}

// A mutex is recursive for its thread, so the other run is played by a second thread.
TEST(WinPrinterValuesLock, AnotherRunWaitsUntilTheHolderReleasesAndKeepsServingMeanwhile) {
    const std::wstring name = lockName(L"waits");
    WinPrinterValuesLock first{name};
    first.acquire({});
    std::atomic<bool> waiting = false, acquired = false;
    auto second = std::async(std::launch::async, [&] {
        WinPrinterValuesLock lock{name};
        lock.acquire([&] { waiting = true; });
        acquired = true;
    });
    for (int turn = 0; turn < 400 && !waiting; ++turn) Sleep(50);
    EXPECT_TRUE(waiting && !acquired) << "the second run did not wait";
    first.release();
    second.get();
    EXPECT_TRUE(acquired);
    first.release();  // no longer held: nothing
}

// A run that died holding it leaves the mutex abandoned; the next run goes on without waiting.
TEST(WinPrinterValuesLock, ALockWhoseHolderDiedIsAcquired) {
    const std::wstring name = lockName(L"abandoned");
    platform::win32::UniqueHandle dead;
    std::thread([&] { dead.reset(CreateMutexW(nullptr, TRUE, name.c_str())); }).join();
    WinPrinterValuesLock lock{name};
    EXPECT_NO_THROW(lock.acquire([] { throw std::runtime_error("waited for a lock whose holder died"); }));
}

}  // namespace
