#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "platform/Failure.h"
#include "platform/jet/file/EngineOptions.h"
#include "tests/support/TestSupport.h"

namespace jet_tests {

// The shared real database files; tests that need them skip when the folder is absent.
inline std::string testFile(const std::string& name) {
    return test_support::testDataFile(name).string();
}

#define REQUIRE_TEST_FILE(name)                                                              \
    do {                                                                                     \
        if (!std::filesystem::exists(jet_tests::testFile(name))) GTEST_SKIP() << "no " name; \
    } while (false)

// The stand-ins as the tests run them: helpers from the build folder, a short time limit.
inline platform::jet::EngineOptions testOptions() {
    platform::jet::EngineOptions options;
    options.helperFolder = CALVENOR_HELPER_DIR;
    options.timeLimit = std::chrono::milliseconds(3000);
    return options;
}

// "number: description" of the failure the call raises; "" when it raises none.
template <typename Call>
std::string failureOf(Call call) {
    try {
        call();
    } catch (const platform::Failure& failure) {
        return std::to_string(failure.number()) + ": " + failure.description();
    }
    return "";
}

}  // namespace jet_tests
