#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>

#include "platform/win32/WideText.h"

namespace test_support {

// A folder of the test's own under %TEMP%, removed with its contents at the end; names are UTF-8.
class TemporaryFolder {
  public:
    TemporaryFolder() {
        wchar_t base[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, base);
        path_ = std::filesystem::path{base} /
                (L"calvenor-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter_));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    ~TemporaryFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }

    std::string path() const { return platform::win32::toUtf8(path_.wstring()); }
    std::string operator/(const std::string& name) const { return path() + "\\" + name; }

    void createFile(const std::string& name) const {
        HANDLE file = CreateFileW(platform::win32::toWide(*this / name).c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << name;
        CloseHandle(file);
    }
    void createFolder(const std::string& name) const {
        ASSERT_TRUE(CreateDirectoryW(platform::win32::toWide(*this / name).c_str(), nullptr)) << name;
    }

  private:
    static inline int counter_ = 0;
    std::filesystem::path path_;
};

}  // namespace test_support
