#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "platform/jet/EngineOptions.h"

namespace jet_tests {

// The shared real database files; tests that need them skip when the folder is absent.
inline std::string testFile(const std::string& name) {
    return (std::filesystem::path(CALVENOR_TESTDATA) / name).string();
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

// A fresh folder under the system's temporary folder, removed with the object.
class TemporaryFolder {
  public:
    TemporaryFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "calvenor-jet-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

}  // namespace jet_tests
