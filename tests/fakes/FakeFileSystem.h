#pragma once

#include <map>
#include <string>

#include "platform/FileSystem.h"

namespace fakes {

class FakeFileSystem : public platform::FileSystem {
  public:
    explicit FakeFileSystem(char separator = '\\') : separator_(separator) {}

    std::optional<platform::PathKind> examine(std::string_view path) override;
    char pathSeparator() const override { return separator_; }
    // Windows' rules go with Windows' separator.
    platform::FileNameRules fileNameRules() const override {
        return separator_ == '\\' ? platform::FileNameRules::Windows : platform::FileNameRules::Posix;
    }

    void addFile(std::string path) { paths_[std::move(path)] = platform::PathKind::File; }
    void addFolder(std::string path) { paths_[std::move(path)] = platform::PathKind::Folder; }

  private:
    char separator_;
    std::map<std::string, platform::PathKind, std::less<>> paths_;
};

}  // namespace fakes
